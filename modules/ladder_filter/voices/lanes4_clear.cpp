// The clear version's routines on 4 lanes.
#include "voice_routine_maker.h"

SE_LADDER_LANE_TABLE(kClear, 4)
