// The binary interface shared between a module library and its host.
//
// Every record here is exchanged in memory with the host, so each layout fact
// is stated once and checked below. 32-bit builds have the exact layouts of the
// original 32-bit host; 64-bit builds keep the field order and widen every
// pointer-sized field to 8 bytes with natural alignment.
#ifndef SE_ABI_H
#define SE_ABI_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define SE_CDECL __cdecl
#else
#define SE_CDECL
#endif

#if defined(_WIN32)
#define SE_EXPORT __declspec(dllexport)
#else
#define SE_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

// ---- Pin description codes -------------------------------------------------
enum { DR_IN = 0, DR_OUT = 1 };

enum {
  DT_CHOICE = 0,  // 16-bit integer: the value of the chosen item
  DT_FSAMPLE = 5, // pointer to the pin's float32 sample buffer
  DT_INT32 = 8    // 32-bit value (pointer-sized on 64-bit builds, see below)
};

enum {
  IO_REPEAT_LAST = 0x00000008,
  IO_PRIVATE = 0x00000100,
  IO_UI_COMMUNICATION = 0x00000400,
  IO_ALSO_DSP = 0x00008000,
  IO_PATCH_STORE = 0x00010000
};

// ---- makeModule instance types -----------------------------------------------
enum { MT_DSP = 1, MT_GUI = 2 };

// ---- Pin statuses -------------------------------------------------------------
enum { PS_STATIC = 0, PS_ONCE = 1, PS_RUNNING = 2 };

// ---- Timed event types --------------------------------------------------------
enum { EV_PIN_STATUS = 0, EV_DATA = 2, EV_RUN_ROUTINE = 21 };

// ---- DSP dispatcher opcodes (host -> module) ----------------------------------
enum {
  DOP_OPEN = 0,
  DOP_CLOSE = 1,
  DOP_SAMPLE_RATE = 2,
  DOP_BLOCK_SIZE = 3,
  DOP_PIN_PROPERTIES = 6,
  DOP_CODE7 = 7,
  DOP_CODE8 = 8,
  DOP_CODE10 = 10,
  DOP_CODE12 = 12,
  DOP_PROCESS_REFERENCE = 13
};

// ---- Host requests (module -> host) -------------------------------------------
enum {
  HRQ_PIN_STATUS = 0,
  HRQ_PIN_CONNECTED = 1,
  HRQ_SAMPLE_CLOCK = 3,
  HRQ_PIN_BUFFER = 7,
  HRQ_BLOCK_START_CLOCK = 8,
  HRQ_SLEEP = 10,
  HRQ_PIN_COUNT = 14,
  HRQ_ADD_EVENT = 19,
  HRQ_PROCESS_CHANGED = 22
};

// ---- Record magics -------------------------------------------------------------
#define SE_MODULE_MAGIC 0x5345507Bu // "{PES" in memory order
#define SE_GUI_MAGIC 0x5345504Du    // "MPES" in memory order

// ---- Function entries -----------------------------------------------------------
// Every entry takes 32-bit integers and one float32 and answers a pointer-sized
// integer, so that an address (the opcode 13 answer) fits on 64-bit builds.
typedef intptr_t(SE_CDECL *SEHostCallback)(void *record, int32_t opcode, int32_t index,
                                           int32_t value, void *ptr, float opt);
typedef intptr_t(SE_CDECL *SEDispatcherEntry)(void *record, int32_t opcode, int32_t index,
                                              int32_t value, void *ptr, float opt);
typedef void(SE_CDECL *SEProcessEntry)(void *instance, int32_t first, int32_t count);
struct SETimedEvent;
typedef void(SE_CDECL *SEEventEntry)(void *instance, struct SETimedEvent *event);
typedef void(SE_CDECL *SERoutineEntry)(void *instance);

// ---- Records ---------------------------------------------------------------------
typedef struct SEModuleProperties {
  const char *name;
  const char *id;
  const char *about;
  int32_t reserved1; // never written by a module
  int32_t reserved2; // never written by a module
  int32_t sdk_version;
} SEModuleProperties;

typedef struct SEPinProperties {
  void *variable;
  int32_t direction;
  int32_t datatype;
  const char *name;
  const char *default_value;
  const char *datatype_text;
  uint32_t flags;
  int32_t reserved; // never written by a module
} SEPinProperties;

typedef struct SEModuleRecord {
  uint32_t magic;
  int32_t version;
  intptr_t host_data; // handed back untouched
  void *instance;
  intptr_t reserved1;
  SEDispatcherEntry dispatcher;
  SEProcessEntry process;
  SEEventEntry event_entry;
  intptr_t reserved2[4];
} SEModuleRecord;

typedef struct SEGuiRecord {
  uint32_t magic;
  int32_t version;
  SEDispatcherEntry dispatcher;
  intptr_t host_data;
  void *instance;
  intptr_t reserved[5];
} SEGuiRecord;

typedef struct SETimedEvent {
  int32_t time_stamp;
  int32_t event_type;
  int32_t int_value;
  int32_t short_value; // low 16 bits used
  intptr_t ptr_value;  // pin index, or the entry of a routine to run
  int32_t reserved;
} SETimedEvent;

// Answer record of DOP_PROCESS_REFERENCE.
typedef struct SEProcessReference {
  int32_t one;            // always 1
  int32_t size;           // bytes in the stored form of a routine reference
  intptr_t process_field; // address of the asking instance's routine reference
  int32_t zero;           // always 0
} SEProcessReference;

// ---- The two exports of every module library -----------------------------------
typedef int32_t(SE_CDECL *SEGetModulePropertiesFn)(int32_t index, SEModuleProperties *props);
typedef void *(SE_CDECL *SEMakeModuleFn)(int32_t index, int32_t type, SEHostCallback host,
                                         intptr_t host_data);

#ifdef __cplusplus
}
#endif

// ---- Layout checks ----------------------------------------------------------------
#ifdef __cplusplus
#define SE_CHECK_LAYOUT static_assert
#else
#define SE_CHECK_LAYOUT _Static_assert
#endif

#if INTPTR_MAX == INT32_MAX
#define SE_L(off32, off64) (off32)
#else
#define SE_L(off32, off64) (off64)
#endif

SE_CHECK_LAYOUT(sizeof(SEModuleProperties) == SE_L(24, 40), "SEModuleProperties size");
SE_CHECK_LAYOUT(offsetof(SEModuleProperties, about) == SE_L(8, 16), "about offset");
SE_CHECK_LAYOUT(offsetof(SEModuleProperties, reserved1) == SE_L(12, 24), "reserved offset");
SE_CHECK_LAYOUT(offsetof(SEModuleProperties, sdk_version) == SE_L(20, 32), "sdk_version");

SE_CHECK_LAYOUT(sizeof(SEPinProperties) == SE_L(32, 48), "SEPinProperties size");
SE_CHECK_LAYOUT(offsetof(SEPinProperties, direction) == SE_L(4, 8), "direction offset");
SE_CHECK_LAYOUT(offsetof(SEPinProperties, datatype) == SE_L(8, 12), "datatype offset");
SE_CHECK_LAYOUT(offsetof(SEPinProperties, name) == SE_L(12, 16), "name offset");
SE_CHECK_LAYOUT(offsetof(SEPinProperties, default_value) == SE_L(16, 24), "default offset");
SE_CHECK_LAYOUT(offsetof(SEPinProperties, datatype_text) == SE_L(20, 32), "text offset");
SE_CHECK_LAYOUT(offsetof(SEPinProperties, flags) == SE_L(24, 40), "flags offset");
SE_CHECK_LAYOUT(offsetof(SEPinProperties, reserved) == SE_L(28, 44), "reserved offset");

SE_CHECK_LAYOUT(sizeof(SEModuleRecord) == SE_L(48, 88), "SEModuleRecord size");
SE_CHECK_LAYOUT(offsetof(SEModuleRecord, host_data) == 8, "host_data offset");
SE_CHECK_LAYOUT(offsetof(SEModuleRecord, instance) == SE_L(12, 16), "instance offset");
SE_CHECK_LAYOUT(offsetof(SEModuleRecord, reserved1) == SE_L(16, 24), "reserved offset");
SE_CHECK_LAYOUT(offsetof(SEModuleRecord, dispatcher) == SE_L(20, 32), "dispatcher offset");
SE_CHECK_LAYOUT(offsetof(SEModuleRecord, process) == SE_L(24, 40), "process offset");
SE_CHECK_LAYOUT(offsetof(SEModuleRecord, event_entry) == SE_L(28, 48), "event offset");
SE_CHECK_LAYOUT(offsetof(SEModuleRecord, reserved2) == SE_L(32, 56), "reserved offset");

SE_CHECK_LAYOUT(sizeof(SEGuiRecord) == SE_L(40, 72), "SEGuiRecord size");
SE_CHECK_LAYOUT(offsetof(SEGuiRecord, dispatcher) == 8, "gui dispatcher offset");
SE_CHECK_LAYOUT(offsetof(SEGuiRecord, host_data) == SE_L(12, 16), "gui host_data offset");
SE_CHECK_LAYOUT(offsetof(SEGuiRecord, instance) == SE_L(16, 24), "gui instance offset");
SE_CHECK_LAYOUT(offsetof(SEGuiRecord, reserved) == SE_L(20, 32), "gui reserved offset");

SE_CHECK_LAYOUT(sizeof(SETimedEvent) == SE_L(24, 32), "SETimedEvent size");
SE_CHECK_LAYOUT(offsetof(SETimedEvent, short_value) == 12, "short_value offset");
SE_CHECK_LAYOUT(offsetof(SETimedEvent, ptr_value) == 16, "ptr_value offset");
SE_CHECK_LAYOUT(offsetof(SETimedEvent, reserved) == SE_L(20, 24), "event reserved offset");

SE_CHECK_LAYOUT(offsetof(SEProcessReference, process_field) == 8, "process_field offset");

#undef SE_L

#endif // SE_ABI_H
