// An independent model of the ladder filter, written straight from the
// module's description in double precision: one generic ladder that reads its
// row (parsed from the description's notation) at run time. The tests compare
// the plugin, run through our host, against it.
#ifndef LADDER_REFERENCE_H
#define LADDER_REFERENCE_H

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace ladder_test {

struct RowText {
  int e;
  const char *offset, *upper, *floor;
  double k;
  const char *stages, *output, *feedback;
};

// The per-combination table as the description writes it.
inline const RowText kRowText[38] = {
    {0, "-0.1", "1.01", "-10", 2.5, "p 5.1/-; pA 5.5/4.95", "y2", "y2*"},
    {1, "-0.1", "1.06", "-99", 2.5, "p 5.5/-; p -/-", "y2", "y2"},
    {2, "-0.05", "1.06", "-99", 1.2, "p 5.1/-; pA 5.5/4.95; pB 5.15/5.5", "y2", "y3*"},
    {3, "-0.05", "1.01", "-99", 1.05, "p 5.5/-; p -/-; p -/-", "y2", "y3"},
    {4, "-0.05", "1.06", "-99", 0.65, "p 5.1/-; pA 5.5/4.95; p 5.15/5.5; pC 5.1/4.95", "y2", "y4*"},
    {5, "-0.05", "1.06", "-99", 0.4, "p 5.5/-; p -/-; p -/-; p -/-", "y2", "y4"},
    {6, "0", "1.06", "-99", 0.33, "p 5.1/-; pA 4.95/5.5; p 5.15/5.5; pC 5.1/4.95; p 5.5/4.95", "y2",
     "y5*"},
    {7, "0", "1.06", "-99", 0.18, "p 5.5/-; p -/-; p -/-; p -/-; p -/-", "y2", "y5"},
    {8, "-0.05", "1.06", "-99", 2.4, "p 5.1/-; pA 5.5/4.95; pB 5.15/5.5", "y3", "y2*"},
    {9, "-0.05", "1.01", "-99", 1.6, "p 5.5/-; p -/-; p -/-", "y3", "y3"},
    {10, "-0.05", "1.06", "-99", 1.3, "p 5.1/-; pA 5.5/4.95; pB 5.15/5.5", "y3", "y3*"},
    {11, "-0.05", "1.01", "-99", 1.1, "p 5.5/-; p -/-; p -/-", "y3", "y3"},
    {12, "0", "1.06", "-99", 0.7, "p 5.1/-; pA 5.5/4.95; p 5.15/5.5; pC 5.1/4.95", "y3", "y4*"},
    {13, "0", "1.06", "-99", 0.5, "p 5.5/-; p -/-; p -/-; p -/-", "y3", "y4"},
    {14, "+0.029", "1.06", "-99", 0.35, "p 5.1/-; pA 5.5/4.95; p 5.15/5.5; pC 5.1/4.95; p 5.5/4.95",
     "y3", "y5*"},
    {15, "+0.029", "1.06", "-99", 0.2, "p 5.5/-; p -/-; p -/-; p -/-; p -/-", "y3", "y5"},
    {16, "0", "1.06", "-99", 1.7, "p 5.1/-; pA 5.5/4.95; pC -/5.5; p 5.15/5.5", "y4", "y2*"},
    {17, "0", "1.06", "-99", 2.2, "p 5.5/-; pA -/-; p -/-; p -/-", "y4", "y2"},
    {18, "0", "1.06", "-99", 1.2, "p 5.1/-; pA 5.5/4.95; pC -/5.5; p 5.15/5.5", "y4", "y3*"},
    {19, "0", "1.06", "-99", 1.2, "p 5.5/-; pA -/-; p -/-; p -/-", "y4", "y3"},
    {20, "0", "1.06", "-99", 0.6, "pA 5.1/-; p 5.5/-; p 5.15/4.95; pC 5.1/5.5", "y4", "y4*"},
    {21, "0", "1.06", "-99", 0.5, "p 5.5/-; p -/-; p -/-; p -/-", "y4", "y4"},
    {22, "+0.036", "1.06", "-99", 0.32, "pA 5.1/-; p 5.5/4.95; p 5.15/4.95; pC 5.1/5.5; p 5.5/4.95",
     "y4", "y5*"},
    {23, "+0.036", "1.06", "-99", 0.2, "p 5.5/-; p -/-; p -/-; p -/-; p -/-", "y4", "y5"},
    {24, "+0.1", "1.06", "-99", 2, "p 5.1/-; pA -/4.95; pC 4.95/5.5; p 5.15/5.5; pC 5.1/5.5", "y5",
     "y2*"},
    {25, "+0.1", "1.06", "-99", 2.2, "p 5.5/-; p -/-; p -/-; p -/-; p -/-", "y5", "y2"},
    {26, "+0.1", "1.06", "-99", 1.2, "p 5.1/-; pA -/4.95; pC 4.95/5.5; p 5.15/5.5; pC 5.1/5.5",
     "y5", "y3*"},
    {27, "+0.1", "1.06", "-99", 1.1, "p 5.5/-; p -/-; p -/-; p -/-; p -/-", "y5", "y3"},
    {28, "+0.1", "1.06", "-99", 0.5, "p 5.1/-; pA -/4.95; pC 4.95/5.5; p 5.15/5.5; pC 5.1/5.5",
     "y5", "y4*"},
    {29, "+0.1", "1.06", "-99", 0.5, "p 5.5/-; p -/-; p -/-; p -/-; p -/-", "y5", "y4"},
    {30, "+0.05", "1.06", "-99", 0.21, "p 5.5/-; pA 5.1/4.95; p 5.15/5.5; pC 5.1/4.95; p 5.15/5.5",
     "y5", "y5*"},
    {31, "+0.05", "1.06", "-99", 0.2, "p 5.5/-; p -/-; p -/-; p -/-; p -/-", "y5", "y5"},
    {32, "+0.05", "1.06", "-99", 0.22, "p 5.1/-; pA 5.5/4.95; p 5.5/5.15; pC 5.1/4.95; p 5.15/5.5",
     "2*S3' - y5", "y5*"},
    {33, "+0.05", "1.06", "-99", 0.22, "p 5.5/-; p -/-; p -/-; p -/-; p -/-", "2*S3' - y5", "y5*"},
    {34, "+0.05", "1.06", "-99", 0.25, "p 5.1/-; pA 5.5/4.95; p 5.15/4.95; pC 5.5/4.95; p 5.15/5.5",
     "2*S4' - y5", "y5"},
    {35, "+0.05", "1.06", "-99", 0.25, "p 5.5/-; p -/-; p -/-; p -/-; p -/-", "2*S4' - y5", "y5"},
    {36, "+0.05", "1.06", "-99", 0.28, "p 5.1/-; pA 5.5/4.95; p 5.15/5.5; pC 5.1/4.95; p 5.15/5.5",
     "2*S2' - y5", "y5*"},
    {37, "+0.05", "1.06", "-99", 0.19, "p 5.5/-; p -/-; p -/-; p -/-; p -/-", "2*S2' - y5", "y5"},
};

inline const double kGainTable[200] = {
    0.999489, 0.990082, 0.980347, 0.970764, 0.961304, 0.951948, 0.94281,  0.933777, 0.924866,
    0.916077, 0.90741,  0.898865, 0.890442, 0.882141, 0.873482, 0.865906, 0.857941, 0.850067,
    0.842346, 0.834686, 0.827148, 0.819733, 0.812378, 0.805145, 0.798004, 0.790955, 0.783997,
    0.77713,  0.770355, 0.763672, 0.75708,  0.75058,  0.744141, 0.737793, 0.731537, 0.725342,
    0.719238, 0.713148, 0.707245, 0.701355, 0.695557, 0.689819, 0.684174, 0.678558, 0.673035,
    0.667572, 0.66217,  0.65686,  0.651581, 0.646393, 0.641235, 0.636169, 0.631134, 0.62619,
    0.621277, 0.616425, 0.611633, 0.606903, 0.602234, 0.597626, 0.593048, 0.588531, 0.584045,
    0.574851, 0.575287, 0.570953, 0.566681, 0.562469, 0.558289, 0.554169, 0.550079, 0.546051,
    0.542053, 0.538116, 0.53421,  0.530334, 0.52652,  0.522736, 0.518982, 0.515289, 0.511627,
    0.507948, 0.504425, 0.500885, 0.497375, 0.493848, 0.490448, 0.487061, 0.483704, 0.480377,
    0.477081, 0.473816, 0.470581, 0.467377, 0.464203, 0.46109,  0.457977, 0.454926, 0.451874,
    0.448883, 0.445892, 0.442932, 0.440033, 0.437134, 0.434265, 0.431427, 0.428619, 0.425842,
    0.423048, 0.42038,  0.417664, 0.415009, 0.412354, 0.409729, 0.407135, 0.404572, 0.402008,
    0.399506, 0.397003, 0.394501, 0.392059, 0.384818, 0.387207, 0.384827, 0.382477, 0.380127,
    0.377808, 0.375488, 0.37323,  0.370972, 0.368713, 0.366516, 0.364319, 0.362122, 0.359985,
    0.357849, 0.355713, 0.353607, 0.351532, 0.349457, 0.347412, 0.345398, 0.343384, 0.34137,
    0.339417, 0.337463, 0.33551,  0.333588, 0.331665, 0.329773, 0.327911, 0.32605,  0.324188,
    0.322357, 0.320557, 0.318756, 0.316986, 0.315216, 0.313446, 0.311707, 0.309998, 0.308289,
    0.30658,  0.304901, 0.303223, 0.301575, 0.299927, 0.298309, 0.248692, 0.295074, 0.293488,
    0.291931, 0.290375, 0.288818, 0.287262, 0.285736, 0.284241, 0.282715, 0.28125,  0.279755,
    0.27829,  0.276825, 0.275391, 0.273956, 0.272552, 0.271118, 0.269745, 0.268341, 0.266488,
    0.265594, 0.264252, 0.262909, 0.261566, 0.260223, 0.26,     0.25,     0.24,     0.23,
    0.22,     0.22};

// Output gain per combination index, Filter Tap rows 2, 3, 4, 5, X.
inline const double kGains[40] = {
    0.65, 0.5,    0.65, 0.5,    0.65,  0.5,    0.65, 0.5,  // 2
    0.35, 0.25,   0.35, 0.25,   0.3,   0.25,   0.25, 0.25, // 3
    0.15, 0.12,   0.15, 0.125,  0.14,  0.125,  0.14, 0.12, // 4
    0.08, 0.06,   0.08, 0.06,   0.08,  0.06,   0.08, 0.06, // 5
    -0.1, -0.075, -0.2, -0.095, -0.12, -0.055, 0.08, 0.06, // X
};

struct Stage {
  int coef;      // 0 p, 1 pA, 2 pB, 3 pC
  double l1, l2; // 0: none
};

struct Row {
  float offset;
  float upper;
  int floor;
  float k;
  std::vector<Stage> stages;
  int outStage; // 1-based
  int xState;   // 0 or the stage whose new state the X output uses
  int fbStage;
  bool shaped;
};

inline double LevelOf(const std::string &s) { return s == "-" ? 0.0 : std::stod(s); }

inline Row ParseRow(int routine) {
  const RowText &t = kRowText[routine];
  Row r;
  r.offset = std::stof(t.offset);
  r.upper = std::stof(t.upper);
  r.floor = std::stoi(t.floor);
  r.k = static_cast<float>(t.k);
  std::stringstream ss(t.stages);
  std::string item;
  while (std::getline(ss, item, ';')) {
    std::stringstream is(item);
    std::string coef, levels;
    is >> coef >> levels;
    Stage st;
    st.coef = coef == "p" ? 0 : coef == "pA" ? 1 : coef == "pB" ? 2 : 3;
    const auto slash = levels.find('/');
    st.l1 = LevelOf(levels.substr(0, slash));
    st.l2 = LevelOf(levels.substr(slash + 1));
    r.stages.push_back(st);
  }
  const std::string out = t.output;
  if (out[0] == 'y') {
    r.outStage = out[1] - '0';
    r.xState = 0;
  } else {
    r.outStage = static_cast<int>(r.stages.size());
    r.xState = out[3] - '0';
  }
  const std::string fb = t.feedback;
  r.fbStage = fb[1] - '0';
  r.shaped = fb.size() > 2 && fb[2] == '*';
  return r;
}

struct Choices {
  int16_t type = 0, filterTap = 3, qTap = 3, emulate = 1, version = 0, bass = 2;
};

// Routine and gain for a set of choices, from the selection rules.
inline int RoutineFor(const Choices &c) {
  const int e = c.emulate + 2 * c.qTap + 8 * c.filterTap;
  if (e < 0 || e > 39)
    return 0;
  return e == 38 ? 30 : e == 39 ? 31 : e;
}
inline double GainFor(const Choices &c) {
  const int e = c.emulate + 2 * c.qTap + 8 * c.filterTap;
  return (e < 0 || e > 39) ? 0.65 : kGains[e];
}

inline float PitchHz(float s) { return static_cast<float>(440.0 * std::pow(2.0, 10.0 * s - 5.0)); }

inline double SoftClip(double w, double l) {
  return 0.3315 * (w + std::fabs(w + l) - std::fabs(w - l));
}

class Reference {
public:
  explicit Reference(double rate) : rate_(rate) {}

  // Internals after the last coefficient update, for the worked examples.
  float pole = 0, q = 0, gainIndex = 0, gainFraction = 0;
  int gainIndexInt = 0;
  bool duckingEnabled = true;
  bool forceRebuild = false; // every pin change rebuilds the ladder

  void Open(const Choices &c) {
    choices_ = c;
    restart_ = true;
    duck_ = 0;
    prev_ = c;
    twoOverRate_ = static_cast<float>(2.0 / rate_);
    for (double &s : s_)
      s = 0;
    fb_ = 0;
    thr_ = 0.5f;
    strength_ = 0.3;
    lastPitch_ = 200.0f;
    lastRes_ = 0.3f;
  }

  void PinChanged(const Choices &c, bool streaming) {
    choices_ = c;
    static const float thr[4] = {0.0f, 0.3f, 0.5f, 0.6f};
    static const double str[4] = {0.0, 0.3, 0.3, 0.4};
    if (c.bass >= 0 && c.bass <= 3) {
      thr_ = thr[c.bass];
      strength_ = str[c.bass];
    }
    silent_ = !streaming;
    if (silent_)
      return;
    if (forceRebuild || c.emulate != prev_.emulate || c.filterTap != prev_.filterTap ||
        c.qTap != prev_.qTap) {
      fb_ *= 0.2;
      prev_ = c;
      for (double &s : s_)
        s = 0;
      restart_ = true;
    }
  }

  // One process call of n samples; the inputs are indexed from the call's start.
  void Process(const float *x, const float *v, const float *r, const float *z, int n, float *out) {
    if (silent_) {
      for (int j = 0; j < n; ++j)
        out[j] = 0;
      prev_ = choices_;
      for (double &s : s_)
        s = 0;
      fb_ = 0;
      duck_ = 0;
      restart_ = true;
      return;
    }
    const int routine = RoutineFor(choices_);
    const Row row = ParseRow(routine);
    const double g = GainFor(choices_);
    for (int j = 0; j < n; ++j) {
      double xin = x[j];
      const bool grid = (n - 1 - j) % 12 == 0;
      if (restart_ || (grid && (v[j] != lastPitch_ || r[j] != lastRes_))) {
        Update(row, v[j], r[j], z[0]);
        if (std::fabs(fb_) < 3e-34)
          fb_ = 0;
        if (restart_) {
          restart_ = false;
          xin *= 0.5;
        }
      }
      double a = (xin - fb_) * 0.5;
      double yOut = 0, yFb = 0;
      const double coef[4] = {pole, poleA_, poleB_, poleC_};
      for (size_t k = 0; k < row.stages.size(); ++k) {
        const Stage &st = row.stages[k];
        double h = a + coef[st.coef] * (a - s_[k]);
        if (st.l1 != 0)
          h = SoftClip(h, st.l1);
        double y = h + s_[k];
        s_[k] = h;
        if (st.l2 != 0)
          y = SoftClip(y, st.l2);
        if (static_cast<int>(k) + 1 == row.outStage) {
          if (v[j] < thr_)
            y *= routine == 0 ? 1 + (0.5 - v[j]) * 0.5 : 1 + (thr_ - v[j]) * strength_;
          yOut = y;
        }
        if (static_cast<int>(k) + 1 == row.fbStage)
          yFb = y;
        a = y;
      }
      if (row.xState != 0)
        out[j] = static_cast<float>(g * (2 * s_[row.xState - 1] - yOut));
      else
        out[j] = static_cast<float>(choices_.type == 0 ? g * yOut : g * (xin - yOut));
      fb_ = row.shaped ? q * yFb * (1 + 0.02 * yFb) : q * yFb;
    }
    if (!duckingEnabled)
      return;
    if (out[0] > 2.0) {
      if (duck_ == 0)
        duck_ = 128;
      else if (duck_ < 64)
        duck_ = 64;
    }
    if (duck_ == 0)
      return;
    static const double ramp[6] = {0.9, 0.8, 0.7, 0.6, 0.5, 0.4};
    const int d = std::min(duck_ - 1, 128 - duck_);
    const float f = static_cast<float>(d < 6 ? ramp[d] : 0.3);
    for (int j = 0; j < n; ++j)
      out[j] *= f;
    --duck_;
  }

  int DuckCount() const { return duck_; }
  double Feedback() const { return fb_; }
  double State(int k) const { return s_[k]; }

private:
  void Update(const Row &row, float v, float r, float z) {
    lastPitch_ = v;
    lastRes_ = r;
    const float u = v + row.offset;
    double f;
    if (u <= 0.2f)
      f = PitchHz(0.2f);
    else if (u > row.upper)
      f = PitchHz(row.upper);
    else
      f = 440.0 * std::pow(2.0, 10.0 * u - 5.0);
    const double fc = f * twoOverRate_;
    pole = static_cast<float>(3.2937 * fc - (0.69346 * fc * fc * fc + 0.59515 * fc * fc) - 1.0072);
    poleA_ = static_cast<float>(pole * 0.994375);
    poleB_ = static_cast<float>(pole * 1.000625);
    poleC_ = static_cast<float>(pole * 1.0038);
    gainIndex = pole * z * 99.0f;
    gainIndexInt = static_cast<int>(std::floor(gainIndex));
    if (gainIndexInt > 99)
      gainIndexInt = 99;
    if (gainIndexInt < row.floor)
      gainIndexInt = row.floor;
    gainFraction = gainIndex - static_cast<float>(gainIndexInt);
    const double t0 = kGainTable[gainIndexInt + 99], t1 = kGainTable[gainIndexInt + 100];
    q = static_cast<float>(row.k * (r < 0.0f ? 0.0f : r) * (t0 + gainFraction * (t1 - t0)));
  }

  double rate_;
  Choices choices_, prev_;
  bool restart_ = true, silent_ = false;
  int duck_ = 0;
  float twoOverRate_ = 0;
  double s_[5] = {};
  double fb_ = 0;
  float thr_ = 0.5f;
  double strength_ = 0.3;
  float lastPitch_ = 200, lastRes_ = 0.3f;
  float poleA_ = 0, poleB_ = 0, poleC_ = 0;
};

} // namespace ladder_test

#endif
