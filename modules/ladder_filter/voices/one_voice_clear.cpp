// The clear version's routines on one voice.
#include "voice_routine_maker.h"

SE_LADDER_VOICE_TABLE(kClear)
