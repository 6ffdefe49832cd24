// The two voicings ("(Version)": Clear, Furry) compute the same formulas and
// differ only in the precision of the per-sample arithmetic:
//   Clear: every intermediate result is rounded to float32 (the ladder runs in
//          float from the stage-1 input to the feedback);
//   Furry: the whole call runs in double; only what is stored is rounded to
//          float32: the output samples, and the stage states and feedback
//          when the call ends.
// The coefficient update is common to both and stores float32 coefficients.
#ifndef LADDER_FILTER_VOICING_H
#define LADDER_FILTER_VOICING_H

namespace ladder {

struct ClearVoicing {
  using Work = float;
};

struct FurryVoicing {
  using Work = double;
};

} // namespace ladder

#endif
