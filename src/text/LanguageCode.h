#pragma once
// The one-character language code that ties a script line to a language: G (or D) German,
// E English, F French, * every language. Codes are upper-cased (ASCII only) before use.
namespace setup {

// The code as it is compared: upper-cased, with D made G. Any other character is returned
// upper-cased and unchanged otherwise.
char NormaliseLanguageCode(char code);

// The language a code names: 'G', 'E' or 'F' for those codes (and d, D, g, e, f); '*' for every
// other character, '*' itself and NUL included. This is what an N header line preselects.
char LanguageOfCode(char code);

// True when a line with this code takes effect for the chosen language ('G', 'E' or 'F'): the
// code is '*' or names the chosen language. Any other code (a blank, NUL, a letter that names no
// language) takes no effect in any language.
bool LanguageAccepts(char code, char chosen);

}  // namespace setup
