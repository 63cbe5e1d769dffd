// The percentage shown while files are read.
#include "filehash/progress.h"

#include <array>
#include <charconv>
#include <utility>

#include "platform/console.h"

namespace verolt::filehash {

std::string progress_text(std::uint64_t done, std::uint64_t total) {
  // Scaled together so that both fit 32 bits and their ratio stays.
  while ((done >> 32) != 0 || (total >> 32) != 0) {
    done >>= 1;
    total >>= 1;
  }
  if (total == 0) return {};

  // Single precision first, as the percentage has always been computed; the division itself is
  // in double precision.
  const auto d = static_cast<float>(static_cast<std::uint32_t>(done));
  const auto t = static_cast<float>(static_cast<std::uint32_t>(total));
  const double percent = static_cast<double>(d) * 100.0 / static_cast<double>(t);

  // to_chars formats like "%0.2f" but ignores the locale, which may want a decimal comma. The
  // largest value, (2^32 - 1) * 100, needs 15 characters.
  std::array<char, 32> digits{};
  const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), percent,
                                    std::chars_format::fixed, 2);
  if (result.ec != std::errc()) return {};
  std::string text(digits.data(), result.ptr);
  text += '%';
  return text;
}

ProgressState::ProgressState() {
  if (platform::console_channel_open()) {
    sink_ = [](std::string_view text) { platform::console_write(text); };
  }
}

ProgressState::ProgressState(Sink sink) : sink_(std::move(sink)) {}

void ProgressState::progress_set_total(std::uint64_t total) {
  totalBytes_ = total;
  doneBytes_ = 0;
  // A text still shown is left as it is: the next one is written after it, in full.
  shown_.clear();
}

void ProgressState::advance(std::uint64_t n) {
  doneBytes_ += n;
  if (!sink_) return;
  std::string text = progress_text(doneBytes_, totalBytes_);
  // Most reads of a large run move the percentage by less than a hundredth: writing the same
  // text over itself would change nothing on the screen, only load a slow terminal.
  if (text.empty() || text == shown_) return;
  // Back over the previous percentage, then the new one, in one write.
  std::string out(shown_.size(), '\b');
  out += text;
  sink_(out);
  shown_ = std::move(text);
}

void ProgressState::erase() {
  if (shown_.empty()) return;
  std::string out;
  out.reserve(3 * shown_.size());
  for (std::size_t i = 0; i < shown_.size(); ++i) out += "\b \b";
  if (sink_) sink_(out);
  shown_.clear();
}

}  // namespace verolt::filehash
