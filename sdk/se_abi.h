/* The binary interface between a module library and its host.
 *
 * Plain C (C99 and later, and C++): a host written in either language includes
 * this header alone. Every record, code and entry shared with the host is
 * declared here once, with its contract beside it; the layouts are checked at
 * the end of the file.
 *
 * Layouts. 32-bit builds have the exact layouts of the original 32-bit host:
 * little-endian, every field 4 bytes (pointers included), no padding. 64-bit
 * builds keep the field order and widen every pointer-sized field (pointers,
 * entries, `intptr_t`) to 8 bytes with natural alignment; int32 fields stay
 * 4 bytes.
 *
 * Calling convention. Both exports, the host callback, the record entries and
 * the process routines use the platform's C calling convention (`SE_CDECL`:
 * `__cdecl` on 32-bit Windows), with 32-bit integer arguments and one float32
 * (`opt`). No exception crosses an entry in either direction.
 *
 * When a call may be made. Every entry, opcode and request carries a tag:
 *   [any-thread]        from any thread, at any time, also concurrently.
 *   [instance-thread]   from the thread that drives the instance at that moment.
 *                       The host makes one call at a time on an instance (its
 *                       dispatcher, process and event entries never overlap),
 *                       while different instances may run on different threads
 *                       at once. A request the module sends from such a call is
 *                       on the same thread.
 *   [audio-thread]      [instance-thread] on the real-time path: a process
 *                       stretch or an event delivery. Neither side allocates,
 *                       locks, logs or touches files there: the module in its
 *                       routine, the host in its answer to a request so tagged.
 *   [during-open]       only while the instance handles DOP_OPEN.
 *   [!open] / [open]    before DOP_OPEN / from DOP_OPEN on, until DOP_CLOSE.
 * Tags combine with `&` and `|`, as in [instance-thread & open].
 *
 * Memory. The host owns every record it passes in (SEModuleProperties,
 * SEPinProperties, a delivered SETimedEvent) and the module writes only the
 * fields stated. Texts a module hands out are static data of its library:
 * valid while the library is loaded, never freed by anyone. An instance owns
 * its record (SEModuleRecord, SEGuiRecord, embedded in it) from makeModule
 * until its close returns, and destroys itself there; no export frees anything.
 */
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

/* ---- Pin directions (SEPinProperties.direction) ------------------------------ */
enum {
  DR_IN = 0,   /* input: the host writes the pin's value into the module's variable */
  DR_OUT = 1,  /* output: the module writes its variable */
  DR_CODE3 = 3 /* the host's own meaning; the framework never looks at it */
};

/* ---- Pin datatypes (SEPinProperties.datatype), and the module's variable -----
 * Other codes (1, 2, 3, 7, above 8) are the host's: the framework keeps no
 * storage for them. */
enum {
  DT_CHOICE = 0,  /* int16_t: the value of the chosen item of the choice list */
  DT_CODE4 = 4,   /* int8_t; no module of ours declares one */
  DT_FSAMPLE = 5, /* float *: the pin's sample buffer (the host stores its address) */
  DT_CODE6 = 6,   /* int32_t; no module of ours declares one */
  DT_INT32 = 8    /* intptr_t: 32 bits on 32-bit builds, pointer-sized on 64-bit
                     builds; the host transfers sizeof(intptr_t) bytes. Carries
                     the generator's link value. */
};

/* ---- Pin flags (SEPinProperties.flags) ----------------------------------------- */
enum {
  /* On the last declared pin: the pin repeats for every further DSP pin that
     the host reports (HRQ_PIN_COUNT), each without a variable. */
  IO_REPEAT_LAST = 0x00000008,
  IO_PRIVATE = 0x00000100, /* only in the patch-store rule below */
  /* The pin belongs to the GUI side: no DSP pin object or index, unless
     IO_ALSO_DSP is set too. */
  IO_UI_COMMUNICATION = 0x00000400,
  IO_ALSO_DSP = 0x00008000, /* an IO_UI_COMMUNICATION pin that is a DSP pin as well */
  /* Patch-store rule: a pin with IO_PATCH_STORE also has IO_PRIVATE, or is
     DR_OUT, or has IO_UI_COMMUNICATION. The module base checks it on every
     record it fills for DOP_PIN_PROPERTIES. */
  IO_PATCH_STORE = 0x00010000
};

/* Whether a pin with these flags is a DSP pin: it gets a pin object and the
   next DSP pin index (indices count DSP pins only, in declaration order). The
   one statement of this rule, for the module base and for hosts alike. */
static inline int SEIsDspPin(uint32_t flags) {
  return (flags & IO_UI_COMMUNICATION) == 0 || (flags & IO_ALSO_DSP) != 0;
}

/* ---- Pin statuses (HRQ_PIN_STATUS value, EV_PIN_STATUS int_value) ---------------- */
enum {
  PS_STATIC = 0, /* the value does not change; every pin's initial status */
  PS_ONCE = 1,   /* the value changed once, at this clock, and holds from then on;
                    on an input it falls back to PS_STATIC once the module was told */
  PS_RUNNING = 2 /* the value changes from sample to sample (a streaming signal) */
};

/* ---- makeModule instance types ---------------------------------------------------- */
enum {
  MT_DSP = 1, /* a DSP instance: makeModule answers its SEModuleRecord */
  MT_GUI = 2  /* a GUI instance: makeModule answers its SEGuiRecord (or null) */
};

/* ---- Record identification ---------------------------------------------------------- */
#define SE_MODULE_MAGIC 0x5345507Bu /* SEModuleRecord.magic: "{PES" in memory order */
#define SE_GUI_MAGIC 0x5345504Du    /* SEGuiRecord.magic: "MPES" in memory order */
#define SE_RECORD_VERSION 1         /* .version of both records */

/* ---- Timed events (SETimedEvent.event_type) -----------------------------------------
 * The host delivers an event through SEModuleRecord.event_entry exactly when
 * its sample clock reaches the event's time_stamp, between two process
 * stretches. Other types are ignored. */
enum {
  /* int_value: the new status (PS_*); ptr_value: the DSP pin index of an
     input. The host has written the pin's new value into the module's
     variable before it delivers the event. */
  EV_PIN_STATUS = 0,
  /* int_value: a value; short_value: a 16-bit value (low 16 bits). The
     module base hands both on (OnEventType2); no module of ours reacts. */
  EV_DATA = 2,
  /* ptr_value: the entry (SERoutineEntry) of a routine this instance queued
     itself with HRQ_ADD_EVENT; the module base runs only routines it queued. */
  EV_RUN_ROUTINE = 21
};

/* ---- DSP dispatcher opcodes (host -> module, SEModuleRecord.dispatcher) -------------
 * Arguments (record, opcode, index, value, ptr, opt) as named below; an argument
 * not named is ignored. Every opcode is [instance-thread]. Unknown opcodes
 * answer 0 and do nothing. */
enum {
  /* [instance-thread & !open] Creates the pin objects (asking HRQ_PIN_COUNT,
     and HRQ_PIN_BUFFER for audio pins without a variable), then runs the
     module's own open: tables, first process routine, initial output
     statuses. Sent once, after DOP_SAMPLE_RATE and DOP_BLOCK_SIZE, before any
     process call or event. Answers 0. */
  DOP_OPEN = 0,
  /* [instance-thread] Runs the module's close, then the instance destroys
     itself: the record is invalid when the call returns, and the host sends
     nothing to it afterwards. Answers 1. */
  DOP_CLOSE = 1,
  /* [instance-thread] opt: samples per second. A value that is not a positive
     finite number keeps the rate in force (44100 until set). Answers 0. */
  DOP_SAMPLE_RATE = 2,
  /* [instance-thread] value: the most samples of one block (1024 until set);
     every buffer holds at least that many. Non-positive values are ignored.
     Answers 0. */
  DOP_BLOCK_SIZE = 3,
  /* [instance-thread] index: a pin's position in the module's pin list, from
     0; ptr: a host-owned SEPinProperties, zero-filled by the host. The module
     writes the fields its pin needs and answers 1, or answers 0 past the end
     of the list (null ptr or negative index: 0). */
  DOP_PIN_PROPERTIES = 6,
  /* [instance-thread] Not expected from a host: reported by a checked build,
     answered 0. */
  DOP_CODE7 = 7,
  /* [instance-thread] The host's own meaning; index > 0 is passed on as well.
     No module of ours reacts. Answers 0. */
  DOP_CODE8 = 8,
  /* As DOP_CODE7. */
  DOP_CODE10 = 10,
  /* [instance-thread] value, index, ptr: the host's own meaning; no module of
     ours reacts. Answers 0. */
  DOP_CODE12 = 12,
  /* [instance-thread] Answers the address of an SEProcessReference owned by
     the instance, valid until its close; the next DOP_PROCESS_REFERENCE to the
     same instance overwrites it. */
  DOP_PROCESS_REFERENCE = 13
};

/* ---- GUI dispatcher opcodes (host -> module, SEGuiRecord.dispatcher) -------------
 * All [instance-thread]. The modules of this system add no graphical
 * behaviour: every opcode is accepted and answered 0, except GOP_CLOSE. The
 * other codes carry the host's own meaning. */
enum {
  GOP_CODE0 = 0,   /* index == 1 is passed on as a flag */
  GOP_CLOSE = 1,   /* the GUI instance destroys itself; answers 1 */
  GOP_CODE2 = 2,   /* index, ptr */
  GOP_CODE3 = 3,   /* ptr, opt, (index, value) */
  GOP_CODE4 = 4,   /* as GOP_CODE3 */
  GOP_CODE5 = 5,   /* as GOP_CODE3 */
  GOP_CODE6 = 6,   /* value, index, ptr */
  GOP_CODE7 = 7,   /* gets (index, instance address), valid during the call */
  GOP_CODE8 = 8,   /* ptr */
  GOP_CODE9 = 9,   /* ptr */
  GOP_CODE10 = 10, /* answers 1 or 0 (0: no module of ours says yes) */
  GOP_CODE11 = 11, /* index */
  GOP_CODE12 = 12  /* index */
};

/* ---- Host requests (module -> host, through the SEHostCallback) -----------------------
 * Arguments (record, opcode, index, value, ptr, opt): record is always the
 * asking instance's own SEModuleRecord; opt is 0 in every request. An argument
 * not named is 0 or null. The codes are the host's; a host answers 0 to a
 * code it does not know. */
enum {
  /* [instance-thread & open], sent from process routines, events and open.
     index: DSP pin index of an output; value: its new status (PS_*); ptr:
     the sample clock at which it takes effect (an integer in the pointer).
     The host carries the output variable's value into the connected inputs
     and delivers them an EV_PIN_STATUS at that clock. The answer is ignored. */
  HRQ_PIN_STATUS = 0,
  /* [instance-thread & open] index: a DSP pin index. Answers non-zero while a
     connection is attached to the pin. */
  HRQ_PIN_CONNECTED = 1,
  /* [instance-thread] Answers the host's 32-bit sample clock; during an event
     delivery it equals the event's time_stamp. */
  HRQ_SAMPLE_CLOCK = 3,
  /* [during-open] index: a DSP pin index. Answers the address of the pin's
     float32 buffer, valid for the instance's life (asked once, for an audio
     pin without a variable). */
  HRQ_PIN_BUFFER = 7,
  /* [audio-thread] index: a DSP pin index. Answers the sample clock of
     position 0 of the pin's current buffer. */
  HRQ_BLOCK_START_CLOCK = 8,
  /* [audio-thread], from a process routine whose outputs have settled. The
     host may stop calling the process entry until an input gets an event;
     the output buffers keep what they hold. The answer is ignored. */
  HRQ_SLEEP = 10,
  /* [during-open] Answers the number of DSP pins the host gives the instance,
     counting those added by IO_REPEAT_LAST. */
  HRQ_PIN_COUNT = 14,
  /* [instance-thread & open] ptr: an SETimedEvent owned by the module (it may
     live on the caller's stack); the host copies it during the call and
     delivers it through event_entry when its clock comes. time_stamp is not
     earlier than the current sample clock. The answer is ignored. */
  HRQ_ADD_EVENT = 19,
  /* [instance-thread & open] The entry in SEModuleRecord.process changed; the
     host calls the new one from the next stretch on. The answer is ignored. */
  HRQ_PROCESS_CHANGED = 22
};

/* ---- Function entries ------------------------------------------------------------------
 * Every dispatcher and the host callback answer a pointer-sized integer, so
 * that an address (DOP_PROCESS_REFERENCE) fits on 64-bit builds; on 32-bit
 * builds that is the original int32. */

/* The host's callback, passed to makeModule: answers the requests HRQ_*. */
typedef intptr_t(SE_CDECL *SEHostCallback)(void *record, int32_t opcode, int32_t index,
                                           int32_t value, void *ptr, float opt);
/* A record's dispatcher: DOP_* for SEModuleRecord, GOP_* for SEGuiRecord. */
typedef intptr_t(SE_CDECL *SEDispatcherEntry)(void *record, int32_t opcode, int32_t index,
                                              int32_t value, void *ptr, float opt);
/* [audio-thread & open] The installed process routine: reads the input
   buffers and writes the output buffers at [first, first + count) of the
   current block; first + count never exceeds the block size. The host stores
   every DT_FSAMPLE pin's buffer address into the module's variable before the
   call. instance is SEModuleRecord.instance. */
typedef void(SE_CDECL *SEProcessEntry)(void *instance, int32_t first, int32_t count);
struct SETimedEvent;
/* [audio-thread & open] Delivers one due event; the event is the host's and
   valid during the call only. Nothing is answered. */
typedef void(SE_CDECL *SEEventEntry)(void *instance, struct SETimedEvent *event);
/* A routine run by an EV_RUN_ROUTINE event, on the instance it was queued by. */
typedef void(SE_CDECL *SERoutineEntry)(void *instance);

/* ---- Records ------------------------------------------------------------------------------ */

/* The module's description. Host-owned; getModuleProperties fills it. */
typedef struct SEModuleProperties {
  const char *name;    /* short name, e.g. "QX_Standard_Osc"; library-static */
  const char *id;      /* identifier, unique among modules; library-static */
  const char *about;   /* description, lines separated by '\n'; library-static */
  int32_t reserved1;   /* the host's; never written by a module */
  int32_t reserved2;   /* the host's; never written by a module */
  int32_t sdk_version; /* the framework's version number (2230 or 2240) */
} SEModuleProperties;

/* One pin's description. Host-owned and zero-filled by whoever asks
   (DOP_PIN_PROPERTIES); the module writes only the fields its pin needs. */
typedef struct SEPinProperties {
  void *variable;            /* the module's variable for the pin (see DT_*), or null */
  int32_t direction;         /* DR_* */
  int32_t datatype;          /* DT_* */
  const char *name;          /* may be empty; library-static */
  const char *default_value; /* default as text ("5.000", "0", "255"), or null */
  /* DT_CHOICE: the comma-separated item list ("Low,High", "Noise=255": an item
     ending in "=n" has value n, else its position); DT_FSAMPLE: an optional
     range text of four numbers, read by the host only; else null. */
  const char *datatype_text;
  uint32_t flags;   /* IO_* */
  int32_t reserved; /* the host's; never written by a module */
} SEPinProperties;

/* The DSP instance record, embedded in the instance. makeModule (MT_DSP)
   answers its address, the host's handle on the instance until DOP_CLOSE. The
   host reads every field and writes none. */
typedef struct SEModuleRecord {
  uint32_t magic;               /* SE_MODULE_MAGIC */
  int32_t version;              /* SE_RECORD_VERSION */
  intptr_t host_data;           /* makeModule's host_data, kept untouched, never read */
  void *instance;               /* first argument of process and event_entry */
  intptr_t reserved1;           /* 0 */
  SEDispatcherEntry dispatcher; /* DOP_* */
  /* The installed process routine; the host may call it directly. Changed only
     by the module, which then sends HRQ_PROCESS_CHANGED. */
  SEProcessEntry process;
  SEEventEntry event_entry; /* delivers timed events */
  intptr_t reserved2[4];    /* 0 */
} SEModuleRecord;

/* The GUI instance record; makeModule (MT_GUI) answers its address. Note the
   order of dispatcher, host_data and instance differs from SEModuleRecord. */
typedef struct SEGuiRecord {
  uint32_t magic;               /* SE_GUI_MAGIC */
  int32_t version;              /* SE_RECORD_VERSION */
  SEDispatcherEntry dispatcher; /* GOP_* */
  intptr_t host_data;           /* makeModule's host_data, kept untouched */
  void *instance;               /* the GUI instance */
  intptr_t reserved[5];         /* 0 */
} SEGuiRecord;

/* A timed event. Delivered ones are the host's (valid during the delivery);
   queued ones (HRQ_ADD_EVENT) are the module's and copied by the host. */
typedef struct SETimedEvent {
  int32_t time_stamp;  /* sample clock at which the event is due */
  int32_t event_type;  /* EV_* */
  int32_t int_value;   /* see EV_* */
  int32_t short_value; /* EV_DATA: low 16 bits used */
  intptr_t ptr_value;  /* EV_PIN_STATUS: DSP pin index; EV_RUN_ROUTINE: the entry */
  int32_t reserved;    /* 0 in every event a module builds */
} SETimedEvent;

/* The answer to DOP_PROCESS_REFERENCE, owned by the asking instance. */
typedef struct SEProcessReference {
  int32_t one;            /* always 1 */
  int32_t size;           /* bytes in the stored form of a routine reference */
  intptr_t process_field; /* address of the asking instance's routine reference */
  int32_t zero;           /* always 0 */
} SEProcessReference;

/* ---- The two exports of every module library ------------------------------------------
 * Exported undecorated as `getModuleProperties` and `makeModule`. */

/* [any-thread] index: the module's position in the library (only 0 exists);
   props: host-owned. Index 0 fills name, id, about and sdk_version and
   answers 1; another index answers 0 (a library may still store its
   sdk_version first). A null props answers 0. */
typedef int32_t(SE_CDECL *SEGetModulePropertiesFn)(int32_t index, SEModuleProperties *props);
/* [any-thread] index: as above; type: MT_DSP or MT_GUI; host: the callback the
   instance sends its requests to (null: every request answers 0); host_data:
   stored in the record. Answers the new instance's record, or null for
   another index or type, a library without a GUI instance, or no memory. */
typedef void *(SE_CDECL *SEMakeModuleFn)(int32_t index, int32_t type, SEHostCallback host,
                                         intptr_t host_data);

#ifdef __cplusplus
}
#endif

/* ---- Layout checks ---------------------------------------------------------------------- */
#if defined(__cplusplus)
#define SE_CHECK_LAYOUT static_assert
#elif defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
#define SE_CHECK_LAYOUT _Static_assert
#else /* C99: an array of negative size fails the same way */
#define SE_CHECK_CAT2(a, b) a##b
#define SE_CHECK_CAT(a, b) SE_CHECK_CAT2(a, b)
#define SE_CHECK_LAYOUT(cond, text)                                                                \
  typedef char SE_CHECK_CAT(se_layout_check_, __LINE__)[(cond) ? 1 : -1]
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
SE_CHECK_LAYOUT(offsetof(SETimedEvent, int_value) == 8, "int_value offset");
SE_CHECK_LAYOUT(offsetof(SETimedEvent, short_value) == 12, "short_value offset");
SE_CHECK_LAYOUT(offsetof(SETimedEvent, ptr_value) == 16, "ptr_value offset");
SE_CHECK_LAYOUT(offsetof(SETimedEvent, reserved) == SE_L(20, 24), "event reserved offset");

SE_CHECK_LAYOUT(sizeof(SEProcessReference) == SE_L(16, 24), "SEProcessReference size");
SE_CHECK_LAYOUT(offsetof(SEProcessReference, process_field) == 8, "process_field offset");

#undef SE_L

#endif /* SE_ABI_H */
