// What the framework test plugin and its tests agree on: the commands a test
// sends through the "Command" pin, and the private request opcodes the plugin
// reports its observations with.
#ifndef TEST_PLUGIN_PROTOCOL_H
#define TEST_PLUGIN_PROTOCOL_H

enum TestCommand {
  kCmdNone = 0,
  kCmdInstallDouble = 1,
  kCmdInstallNegative = 2,
  kCmdQueueData = 3,
  kCmdQueueRoutine = 4,
  kCmdPostAudioOnce = 5,
  kCmdPostValueRunning = 6,
  kCmdQueuePast = 7,
  kCmdSampleOfChoice = 8,
  kCmdSleep = 9,
  kCmdReportPins = 10,
  kCmdPinBeyondCount = 11,
};

enum TestReport {
  kReportPinChanged = 1000, // index pin, value status, ptr pin value, opt CurrentSample
  kReportEventData = 1001,  // index short value, value int value, ptr clock
  kReportOpcode8 = 1002,
  kReportOpcode8Index = 1003, // index
  kReportOpcode12 = 1004,     // index, value, ptr as given
  kReportClosed = 1005,
  kReportDestroyed = 1006,
  kReportRoutineRan = 1007, // index sample clock
  kReportProcess = 1008,    // index first, value count
  kReportOpened = 1009,     // index pin count, value block size, opt sample rate
  kReportPinState = 1010,   // index pin, value status, ptr datatype
};

// DSP pin indices of the main test plugin.
enum TestPin {
  kPinAudioIn = 0,
  kPinCommand = 1,
  kPinAudioOut = 2,
  kPinValueOut = 3,
  kPinValueIn = 4,
  kPinRepeat = 5,
};

#endif
