#include "device/collection_changes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/command_frame.h"

namespace {

// Device lists as Windows enumerates them: the keyboard's three collections on
// two interfaces, a second keyboard, a mouse, and collections of other devices
// that look like the keyboard's in one way or another.
using List = std::vector<HidCollectionInfo>;

const HidCollectionInfo kLights{
    u"\\\\?\\hid#vid_04b4&pid_1007&mi_00#8&1a2b3c4d&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}",
    OSTRAK_VENDOR_ID, OSTRAK_PRODUCT_ID, kLockLightUsagePage, kLockLightUsage};
const HidCollectionInfo kConsumer{
    u"\\\\?\\hid#vid_04b4&pid_1007&mi_01&col01#8&2b3c4d5e&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}",
    OSTRAK_VENDOR_ID, OSTRAK_PRODUCT_ID, kConsumerUsagePage, kConsumerUsage};
const HidCollectionInfo kControl{
    u"\\\\?\\hid#vid_04b4&pid_1007&mi_01&col02#8&2b3c4d5e&0&0001#{4d1e55b2-f16f-11cf-88cb-001111000030}",
    OSTRAK_VENDOR_ID, OSTRAK_PRODUCT_ID, kControlUsagePage, kControlUsage};
const List kKeyboard{kLights, kConsumer, kControl};

const List kSecondKeyboard{
    {u"\\\\?\\hid#vid_04b4&pid_1007&mi_00#8&77aa01&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}", OSTRAK_VENDOR_ID,
     OSTRAK_PRODUCT_ID, kLockLightUsagePage, kLockLightUsage},
    {u"\\\\?\\hid#vid_04b4&pid_1007&mi_01&col01#8&77aa02&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}",
     OSTRAK_VENDOR_ID, OSTRAK_PRODUCT_ID, kConsumerUsagePage, kConsumerUsage},
    {u"\\\\?\\hid#vid_04b4&pid_1007&mi_01&col02#8&77aa02&0&0001#{4d1e55b2-f16f-11cf-88cb-001111000030}",
     OSTRAK_VENDOR_ID, OSTRAK_PRODUCT_ID, kControlUsagePage, kControlUsage}};

// The same paths as Windows spells them in a notification.
List UpperCase(List list) {
  for (HidCollectionInfo& c : list)
    for (char16_t& ch : c.path)
      if (ch >= u'a' && ch <= u'z') ch = static_cast<char16_t>(ch - u'a' + u'A');
  return list;
}

const HidCollectionInfo kMouse{u"\\\\?\\hid#vid_046d&pid_c077#7&3a8f0b1&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}",
                               0x046D, 0xC077, 0x0001, 0x0002};
// Another vendor's device with the keyboard's control usage.
const HidCollectionInfo kOtherVendor{
    u"\\\\?\\hid#vid_1234&pid_5678&col02#7&11&0&0001#{4d1e55b2-f16f-11cf-88cb-001111000030}", 0x1234, 0x5678,
    kControlUsagePage, kControlUsage};
// The keyboard's vendor, another product.
const HidCollectionInfo kOtherProduct{
    u"\\\\?\\hid#vid_04b4&pid_1008&col02#7&22&0&0001#{4d1e55b2-f16f-11cf-88cb-001111000030}", OSTRAK_VENDOR_ID,
    0x1008, kControlUsagePage, kControlUsage};
// The keyboard's ids, a usage it does not have.
const HidCollectionInfo kOtherUsage{
    u"\\\\?\\hid#vid_04b4&pid_1007&mi_02#8&33&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}", OSTRAK_VENDOR_ID,
    OSTRAK_PRODUCT_ID, 0xFF00, 0x0001};

List Join(std::initializer_list<List> lists) {
  List all;
  for (const List& l : lists) all.insert(all.end(), l.begin(), l.end());
  return all;
}

std::vector<std::u16string> Paths(const List& list) {
  std::vector<std::u16string> paths;
  for (const HidCollectionInfo& c : list) paths.push_back(c.path);
  return paths;
}

std::vector<std::u16string> PathsAt(const std::vector<std::size_t>& indexes, const List& list) {
  std::vector<std::u16string> paths;
  for (std::size_t i : indexes) paths.push_back(list.at(i).path);
  return paths;
}

std::string Narrow(const std::vector<std::u16string>& paths) {
  std::string text;
  for (const std::u16string& p : paths) text += std::string(p.begin(), p.end()) + "\n";
  return text;
}

}  // namespace

TEST(CollectionChanges, OnlyTheKeyboardsOwnCollectionsAreOpenedOrClosed) {
  struct Case {
    const char* what;
    List open;
    List enumerated;
    List keep;    // of `open`
    List close;   // of `open`
    List opened;  // of `enumerated`
    int before;
    int after;
  };
  const Case cases[] = {
      {"a mouse arrives", kKeyboard, Join({kKeyboard, {kMouse}}), kKeyboard, {}, {}, 1, 1},
      {"a mouse leaves", kKeyboard, kKeyboard, kKeyboard, {}, {}, 1, 1},
      {"the keyboard arrives", {}, Join({{kMouse}, kKeyboard}), {}, {}, kKeyboard, 0, 1},
      {"the keyboard arrives in parts", {kLights}, Join({kKeyboard, {kMouse}}), {kLights}, {}, {kConsumer, kControl},
       0, 1},
      {"the keyboard leaves", kKeyboard, {kMouse}, {}, kKeyboard, {}, 1, 0},
      {"a second keyboard arrives", kKeyboard, Join({kKeyboard, kSecondKeyboard}), kKeyboard, {}, kSecondKeyboard,
       1, 2},
      {"the first of two keyboards leaves", Join({kKeyboard, kSecondKeyboard}), kSecondKeyboard, kSecondKeyboard,
       kKeyboard, {}, 2, 1},
      {"paths differ only in case", kKeyboard, UpperCase(kKeyboard), kKeyboard, {}, {}, 1, 1},
      {"a path listed twice opens once", {}, Join({kKeyboard, UpperCase({kControl})}), {}, {}, kKeyboard, 0, 1},
      {"other devices are ignored", {}, {kMouse, kOtherVendor, kOtherProduct, kOtherUsage}, {}, {}, {}, 0, 0},
      {"nothing at all", {}, {}, {}, {}, {}, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const CollectionChanges changes = PlanCollectionChanges(c.open, c.enumerated);
    EXPECT_EQ(Narrow(PathsAt(changes.keep, c.open)), Narrow(Paths(c.keep)));
    EXPECT_EQ(Narrow(PathsAt(changes.close, c.open)), Narrow(Paths(c.close)));
    EXPECT_EQ(Narrow(PathsAt(changes.open, c.enumerated)), Narrow(Paths(c.opened)));
    EXPECT_EQ(changes.keyboardsBefore, c.before);
    EXPECT_EQ(changes.keyboardsAfter, c.after);
  }
}

TEST(CollectionChanges, NotificationPathsOfOtherUsbDevicesNeedNoEnumeration) {
  struct Case {
    std::u16string path;
    bool mayBeKeyboard;
  };
  const Case cases[] = {
      {kControl.path, true},
      {UpperCase({kControl})[0].path, true},
      {kMouse.path, false},
      {kOtherVendor.path, false},
      {kOtherProduct.path, false},
      // A Bluetooth collection spells its ids another way: enumerate to be sure.
      {u"\\\\?\\hid#{00001812-0000-1000-8000-00805f9b34fb}_dev_vid&02046d_pid&b023#9&1&0&0000#{4d1e55b2}", true},
      {u"", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(MayBeKeyboardPath(c.path), c.mayBeKeyboard) << std::string(c.path.begin(), c.path.end());
}
