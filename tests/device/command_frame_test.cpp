#include "device/command_frame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "device/device_check.h"

TEST(CommandFrame, ReadStatusRequestCarriesTheDocumentedCheckSum) {
  const CommandFrame frame = MakeCommandFrame(kCommandReadStatus, 0x1C, 0);
  EXPECT_EQ(frame[0], 0x04);
  EXPECT_EQ(frame[1], 0x1F);
  EXPECT_EQ(frame[2], 0x00);
  EXPECT_TRUE(std::all_of(frame.begin() + 5, frame.end(), [](std::uint8_t b) { return b == 0; }));
}

TEST(CommandFrame, CheckSumCoversDataAndWrapsAt16Bits) {
  std::vector<std::uint8_t> data(56, 0xFF);
  const CommandFrame frame = MakeCommandFrame(kCommandWriteMacroImage, 56, 0x1234, data);
  const unsigned sum = (10 + 56 + 0x34 + 0x12 + 56 * 0xFF) & 0xFFFF;
  EXPECT_EQ(frame[1] | (frame[2] << 8), sum);
  EXPECT_EQ(FrameOffset(frame), 0x1234);
  EXPECT_TRUE(FrameSumMatches(frame));
  CommandFrame changed = frame;
  changed[63] ^= 1;
  EXPECT_FALSE(FrameSumMatches(changed));
}

TEST(CommandFrame, DataLongerThanTheFrameIsCut) {
  std::vector<std::uint8_t> data(80, 0xAB);
  const CommandFrame frame = MakeCommandFrame(kCommandWriteSettings, 56, 0, data);
  EXPECT_EQ(frame[63], 0xAB);
}

TEST(CommandFrame, BootRequestIsBareAndRecognised) {
  const CommandFrame frame = BootRequestFrame();
  for (std::size_t i = 0; i < frame.size(); ++i) {
    const std::uint8_t expected = i == 0 ? 0x04 : (i == 3 || i == 4) ? 0xEE : 0;
    EXPECT_EQ(frame[i], expected) << "byte " << i;
  }
  EXPECT_TRUE(IsBootRequest(frame));
  EXPECT_FALSE(IsBootRequest(MakeCommandFrame(kCommandReadStatus, 0x1C, 0)));
}

TEST(DeviceCheck, WeightsArePermutation) {
  const std::set<int> values(kCheckWeights.begin(), kCheckWeights.end());
  EXPECT_EQ(values.size(), 256u);
}

TEST(DeviceCheck, EveryArgumentBlockChangesTheCheck) {
  const std::uint8_t payload[2] = {0x05, 0x02};
  const std::uint32_t base = RequestCheck(kLockLightSelector, nullptr, OSTRAK_TAG_LED, payload, 2);
  const std::uint8_t otherPayload[2] = {0x05, 0x03};
  auto callback = [](const RequestNotice*) { return 1; };
  EXPECT_NE(base, RequestCheck(kControlSelector, nullptr, OSTRAK_TAG_LED, payload, 2));
  EXPECT_NE(base, RequestCheck(kLockLightSelector, +callback, OSTRAK_TAG_LED, payload, 2));
  EXPECT_NE(base, RequestCheck(kLockLightSelector, nullptr, OSTRAK_TAG_CTRL, payload, 2));
  EXPECT_NE(base, RequestCheck(kLockLightSelector, nullptr, OSTRAK_TAG_LED, otherPayload, 2));
  EXPECT_EQ(base, AccumulateCheck(RequestCheck(kLockLightSelector, nullptr, OSTRAK_TAG_LED, nullptr, 0), payload, 2));
}

TEST(DeviceCheck, SelectorsNameTheKeyboardsCollections) {
  EXPECT_TRUE(IsKeyboardSelector(kControlSelector));
  EXPECT_TRUE(IsKeyboardSelector(kConsumerSelector));
  EXPECT_TRUE(IsKeyboardSelector(kLockLightSelector));
  UnitSelector other = kControlSelector;
  other.productId = 0x1008;
  EXPECT_FALSE(IsKeyboardSelector(other));
  other = kControlSelector;
  other.usage = 0x0001;
  EXPECT_FALSE(IsKeyboardSelector(other));
}
