#include "text/LanguageCode.h"

#include "text/ScriptText.h"

namespace setup {

char NormaliseLanguageCode(char code) {
  const char upper = ToUpperAscii(code);
  return upper == 'D' ? 'G' : upper;
}

char LanguageOfCode(char code) {
  const char normal = NormaliseLanguageCode(code);
  return (normal == 'G' || normal == 'E' || normal == 'F') ? normal : '*';
}

bool LanguageAccepts(char code, char chosen) {
  const char normal = NormaliseLanguageCode(code);
  return normal == '*' || (LanguageOfCode(normal) != '*' && normal == LanguageOfCode(chosen));
}

}  // namespace setup
