#!/usr/bin/env python3
"""An example client of Ostrak's lighting interface (docs/lighting-interface.md).

Greets Ostrak, shows the keyboard's effects, switches to the per-key effect and
colours the keys given on the command line (default: W, A, S and D red), then
prints what other programs and the user change until Ctrl+C.

    python lighting-client.py --key W=ff0000 --key Space=0000ff
    python lighting-client.py --watch

Windows only (the pipe is a Windows named pipe); Python 3, no packages.
"""
import argparse
import json

PIPE = r"\\.\pipe\ostrak-lighting"


class Client:
    def __init__(self, path=PIPE):
        # A named pipe opens like a file; unbuffered, so that each line goes at once.
        self.pipe = open(path, "r+b", buffering=0)
        self.next_id = 0
        self.pending = b""

    def send(self, request, **fields):
        self.next_id += 1
        message = {"id": self.next_id, "request": request, **fields}
        self.pipe.write((json.dumps(message) + "\n").encode("utf-8"))
        while True:  # events may come before the reply
            line = self.read_line()
            if line.get("id") == self.next_id:
                if not line["ok"]:
                    raise RuntimeError(f"{line['error']['code']}: {line['error']['text']}")
                return line
            print("event:", line)

    def read_line(self):
        while b"\n" not in self.pending:
            chunk = self.pipe.read(65536)
            if not chunk:
                raise EOFError("Ostrak closed the connection")
            self.pending += chunk
        line, self.pending = self.pending.split(b"\n", 1)
        return json.loads(line)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--key", action="append", default=[], metavar="NAME=RRGGBB")
    parser.add_argument("--watch", action="store_true", help="only print the changes")
    args = parser.parse_args()

    client = Client()
    hello = client.send("hello", major=1)
    print("protocol", hello["protocol"])
    keyboard = hello["keyboard"]
    if keyboard is None:
        print("no keyboard is attached")
        return
    print("effects:", [effect["effect"] for effect in keyboard["effects"]])

    if not args.watch:
        keys = dict(pair.split("=", 1) for pair in args.key) or {k: "ff0000" for k in "WASD"}
        offered = [effect["effect"] for effect in keyboard["effects"]]
        if keyboard["perKeyEffect"] in offered:
            client.send("set", effect=keyboard["perKeyEffect"])
        reply = client.send("set_keys", keys=keys)
        print("coloured", ", ".join(keys), "-", reply["changedFrames"], "frames changed")

    client.send("subscribe")
    try:
        while True:
            print("event:", client.read_line())
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
