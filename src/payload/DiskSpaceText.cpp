#include "payload/DiskSpaceText.h"

#include <cstdint>

#include "payload/ByteSize.h"
#include "text/LanguageCode.h"

namespace setup {
namespace {

struct SpaceSentence {
  char language;
  const char* betweenSizes;
  const char* afterTotal;
};

constexpr SpaceSentence kSentences[] = {
    {'G', " von ", " Festplatten-Speicherplatz stehen zur Verfügung."},
    {'F', " de ", " place de mémoire de disque durs sont disponible."},
    {'E', " of ", " harddisc space is available."},
};

const SpaceSentence& SentenceFor(char language) {
  for (const SpaceSentence& sentence : kSentences) {
    if (sentence.language == LanguageOfCode(language)) return sentence;
  }
  return kSentences[2];
}

std::string SizeText(std::int64_t bytes, const std::string& decimalSeparator) {
  return FormatByteSize(static_cast<float>(bytes), decimalSeparator) + "B";
}

}  // namespace

DiskSpaceTexts MakeDiskSpaceTexts(const std::optional<DiskSpace>& space, char language,
                                  const std::string& decimalSeparator) {
  const std::int64_t freeBytes = space ? static_cast<std::int64_t>(space->freeBytes) : -1;
  const std::int64_t totalBytes = space ? static_cast<std::int64_t>(space->totalBytes) : -1;
  DiskSpaceTexts texts;
  texts.FreeSpaceText = SizeText(freeBytes, decimalSeparator);
  texts.TotalSpaceText = SizeText(totalBytes, decimalSeparator);
  const SpaceSentence& sentence = SentenceFor(language);
  texts.Sentence =
      texts.FreeSpaceText + sentence.betweenSizes + texts.TotalSpaceText + sentence.afterTotal;
  return texts;
}

}  // namespace setup
