// A choice pin's item list made at compile time. An item writer is run twice:
// once to measure the text, once to write it into an array of that size, so
// the lists follow from tables instead of being typed out.
#ifndef AUDIO_OSCILLATOR_INCLUDE_CHOICE_TEXT_H
#define AUDIO_OSCILLATOR_INCLUDE_CHOICE_TEXT_H

#include <array>
#include <cstddef>

namespace osc {

class TextMeasure {
public:
  constexpr void Put(const char *text) {
    while (*text++ != '\0')
      ++m_length;
  }
  constexpr void Put(unsigned number) {
    do {
      ++m_length;
      number /= 10;
    } while (number != 0);
  }
  constexpr std::size_t Length() const { return m_length; }

private:
  std::size_t m_length = 0;
};

template <std::size_t N> class TextFill {
public:
  constexpr void Put(const char *text) {
    while (*text != '\0')
      m_text[m_at++] = *text++;
  }
  constexpr void Put(unsigned number) {
    char digits[10] = {};
    int count = 0;
    do {
      digits[count++] = static_cast<char>('0' + number % 10);
      number /= 10;
    } while (number != 0);
    while (count > 0)
      m_text[m_at++] = digits[--count];
  }
  constexpr std::array<char, N> Text() const { return m_text; }

private:
  std::array<char, N> m_text{}; // the last char stays '\0'
  std::size_t m_at = 0;
};

// Items::Write(out) calls out.Put for each piece of the list in order.
template <class Items> constexpr std::size_t TextSize() {
  TextMeasure measure;
  Items::Write(measure);
  return measure.Length() + 1;
}

template <class Items> constexpr std::array<char, TextSize<Items>()> MakeChoiceText() {
  TextFill<TextSize<Items>()> fill;
  Items::Write(fill);
  return fill.Text();
}

} // namespace osc

#endif // AUDIO_OSCILLATOR_INCLUDE_CHOICE_TEXT_H
