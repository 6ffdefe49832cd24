// The clear version's routines on 8 lanes.
#include "voice_routine_maker.h"

SE_LADDER_LANE_TABLE(kClear, 8)
