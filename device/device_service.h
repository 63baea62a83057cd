/* The device service: the twelve entry points of HidServ.dll, shared by the
 * program (which resolves them by name) and the library (which exports them).
 * Plain C so that both sides agree on every type and layout.
 *
 * A request names a collection of the keyboard with a UnitSelector, carries a
 * check value computed with AccumulateCheck over the request's argument blocks
 * (device/device_check.h), and may give a callback and a tag. The service
 * calls callbacks on a thread of its own, never on the caller's.
 *
 * Layout of the records handed to a callback, for the 64-bit build (offsets
 * in bytes; the fields and their order are those of the 32-bit service, the
 * pointers are 8 bytes wide and aligned):
 *
 *   RequestNotice      0 u32 kind (1 data arrived, 0 device count changed)
 *                      4 u32 (reserved, 0)
 *                      8 ptr request block
 *   RequestBlock       0 u32 tag
 *                      4 u32 kind 1: bytes received; kind 0: devices now present
 *                      8 ptr the bytes received (kind 1), else null
 *                     16 ptr report record
 *   ReportRecord       0 u8[28] (reserved, 0)
 *                     28 u32 (padding)
 *                     32 ptr the report bytes (the same as the block's bytes)
 *
 * The 32-bit service kept the report pointer at offset 28 of the report
 * record; with 8-byte pointers it is aligned to offset 32. The records and the
 * bytes they point at live only for the duration of the call.
 */
#ifndef OSTRAK_DEVICE_SERVICE_H
#define OSTRAK_DEVICE_SERVICE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Which collection of which keyboard a request addresses (16 bytes). */
typedef struct UnitSelector {
  uint32_t matchMask; /* 0x0000000F: vendor, product, usage page, usage */
  uint16_t vendorId;  /* 0x04B4 */
  uint16_t productId; /* 0x1007 */
  uint16_t usagePage;
  uint16_t usage;
  uint32_t zero;
} UnitSelector;

#define OSTRAK_SELECTOR_MATCH_ALL 0x0000000Fu
#define OSTRAK_VENDOR_ID 0x04B4u
#define OSTRAK_PRODUCT_ID 0x1007u

/* Tags: four-letter constants, 0 for a request without callback. */
#define OSTRAK_TAG_LED 0x004C4544u  /* 'LED'  lock-light status write */
#define OSTRAK_TAG_CONS 0x434F4E53u /* 'CONS' consumer notices */
#define OSTRAK_TAG_CTRL 0x4354524Cu /* 'CTRL' replies and the attach count */

/* RequestNotice.kind */
#define OSTRAK_NOTICE_COUNT 0u
#define OSTRAK_NOTICE_DATA 1u

typedef struct ReportRecord {
  uint8_t reserved[28];
  uint32_t padding;
  const uint8_t* bytes;
} ReportRecord;

typedef struct RequestBlock {
  uint32_t tag;
  uint32_t count; /* bytes received, or devices present */
  const uint8_t* bytes;
  const ReportRecord* report;
} RequestBlock;

typedef struct RequestNotice {
  uint32_t kind;
  uint32_t reserved;
  const RequestBlock* block;
} RequestNotice;

/* Called on the service's thread; returns 1. */
typedef int (*NoticeCallback)(const RequestNotice* notice);

#if defined(__cplusplus)
static_assert(sizeof(UnitSelector) == 16, "UnitSelector is 16 bytes");
static_assert(sizeof(void*) != 8 || offsetof(RequestNotice, block) == 8, "RequestNotice layout");
static_assert(sizeof(void*) != 8 || offsetof(RequestBlock, bytes) == 8, "RequestBlock layout");
static_assert(sizeof(void*) != 8 || offsetof(RequestBlock, report) == 16, "RequestBlock layout");
static_assert(sizeof(void*) != 8 || offsetof(ReportRecord, bytes) == 32, "ReportRecord layout");
#endif

/* The entry points. Results greater than 0 mean success unless noted. */
typedef int (*InitFn)(int flags);             /* > 0: ready */
typedef int (*EndFn)(void);                   /* stops the service's threads */
typedef int (*DebugFn)(int level);            /* no effect; kept for the interface */
typedef int (*RequestGetDeviceCountFn)(const UnitSelector* selector, NoticeCallback callback,
                                       uint32_t tag, uint32_t check, uint32_t* id);
typedef int (*RequestWriteOneFn)(const UnitSelector* selector, NoticeCallback callback, uint32_t tag,
                                 const void* payload, uint32_t length, uint32_t check, uint32_t* id);
typedef int (*RequestWriteFn)(const UnitSelector* selector, NoticeCallback callback, uint32_t tag,
                              const void* payload, uint32_t length, uint32_t check, uint32_t* id);
typedef int (*RequestStatusWriteFn)(const UnitSelector* selector, NoticeCallback callback, uint32_t tag,
                                    const void* payload, uint32_t length, uint32_t check, uint32_t* id);
typedef int (*RequestStatusGetFn)(const UnitSelector* selector, NoticeCallback callback, uint32_t tag,
                                  void* buffer, uint32_t length, uint32_t check, uint32_t* id);
typedef int (*RequestStatusSetFeatureFn)(const UnitSelector* selector, NoticeCallback callback,
                                         uint32_t tag, const void* payload, uint32_t length,
                                         uint32_t check, uint32_t* id);
typedef int (*RequestAsyncReadFn)(const UnitSelector* selector, NoticeCallback callback, uint32_t tag,
                                  uint32_t check, uint32_t* id);
typedef int (*DeleteRequestFromUnitIdFn)(uint32_t id);
typedef int (*DeleteRequestFromHandleFn)(void* handle);

/* The twelve entry points as one table, in the order the program resolves
 * them. Every one must be present. */
typedef struct DeviceService {
  InitFn Init;
  EndFn End;
  DebugFn Debug;
  RequestGetDeviceCountFn RequestGetDeviceCount;
  RequestWriteOneFn RequestWriteOne;
  RequestWriteFn RequestWrite;
  RequestStatusWriteFn RequestStatusWrite;
  RequestStatusGetFn RequestStatusGet;
  RequestStatusSetFeatureFn RequestStatusSetFeature;
  RequestAsyncReadFn RequestAsyncRead;
  DeleteRequestFromUnitIdFn DeleteRequestFromUnitId;
  DeleteRequestFromHandleFn DeleteRequestFromHandle;
} DeviceService;

/* The exported names, in the table's order. */
#define OSTRAK_DEVICE_SERVICE_ENTRY_COUNT 12
#define OSTRAK_DEVICE_SERVICE_ENTRY_NAMES                                                      \
  "Init", "End", "Debug", "RequestGetDeviceCount", "RequestWriteOne", "RequestWrite",           \
      "RequestStatusWrite", "RequestStatusGet", "RequestStatusSetFeature", "RequestAsyncRead", \
      "DeleteRequestFromUnitId", "DeleteRequestFromHandle"

#ifdef __cplusplus
}
#endif

#endif
