#include "panels/key_grid_ids.h"

#include <gtest/gtest.h>

#include <set>

#include "resources/resource_ids.h"

namespace {

// Every grid id is one control's: a repeated id would route two buttons'
// clicks to one key.
TEST(KeyGridIds, EveryButtonHasItsOwnIdInTheGridsBlock) {
  std::set<int> ids;
  for (int id : kKeyButtonIds) {
    EXPECT_TRUE(id >= 1010 && id <= 1120) << id;
    EXPECT_TRUE(ids.insert(id).second) << id;
  }
  for (int id : kExtraKeyIds) EXPECT_TRUE(ids.insert(id).second) << id;
  for (int d = 0; d < 6; ++d) EXPECT_TRUE(ids.insert(kFirstDKeyId + d).second) << kFirstDKeyId + d;
  EXPECT_TRUE(ids.insert(IDC_ENTER_TOP).second);
  // 1010 to 1120 hold the 104 keys, D1 to D6 and the Enter key's upper part.
  for (int id = 1010; id <= 1120; ++id) EXPECT_EQ(ids.count(id), 1u) << id;
}

}  // namespace
