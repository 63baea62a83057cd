/* The baseline of the console benchmark: a program that reads a file whole
   with plain stdio and does nothing else. */
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  FILE* in = fopen(argv[1], "rb");
  if (!in) return 1;
  fseek(in, 0, SEEK_END);
  const long size = ftell(in);
  fseek(in, 0, SEEK_SET);
  char* bytes = malloc(size > 0 ? (size_t)size : 1);
  const size_t got = fread(bytes, 1, (size_t)size, in);
  fclose(in);
  free(bytes);
  return got == (size_t)size ? 0 : 1;
}
