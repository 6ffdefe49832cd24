// The furry version's routines on eight lanes of AVX registers.
#include "../voice_routine_maker.h"

SE_LADDER_AVX_TABLE(kFurry)
