#include "ResourceProbe.h"

#include <cstdio>
#include <memory>

#include "payload/PayloadReader.h"
#include "script/SetupState.h"
#include "wizard/StartUp.h"

namespace setup {
namespace {

void Field(std::string& out, const char* name, const std::string& value) {
  out += name;
  out += "=[";
  out += value;
  out += "]\r\n";
}

std::string Flag(bool value) {
  return value ? "1" : "0";
}

void DescribeHeader(std::string& out, const SetupState& state) {
  const LanguageFlags& offered = state.LanguagesOffered;
  Field(out, "LanguagesOffered",
        Flag(offered.German) + Flag(offered.English) + Flag(offered.French));
  Field(out, "ProductName", state.ProductName);
  Field(out, "PreselectedLanguage", std::string(1, state.PreselectedLanguage));
  Field(out, "VersionText", state.VersionText);
  Field(out, "SizeText", state.SizeText);
  Field(out, "DefaultSubFolder", state.DefaultSubFolder);
  Field(out, "MainProgram", state.MainProgram);
  Field(out, "ReadMeGerman", state.ReadMeGerman);
  Field(out, "ReadMeEnglish", state.ReadMeEnglish);
  Field(out, "ReadMeFrench", state.ReadMeFrench);
  Field(out, "AddOnTicked", Flag(state.AddOnTicked));
  Field(out, "AddOnCaptionGerman", state.AddOnCaptionGerman);
  Field(out, "AddOnCaptionEnglish", state.AddOnCaptionEnglish);
  Field(out, "AddOnCaptionFrench", state.AddOnCaptionFrench);
}

void DescribeActionLines(std::string& out, const SetupState& state) {
  Field(out, "ActionLines", std::to_string(state.ScriptLines.size()));
  for (const std::string& line : state.ScriptLines) Field(out, "Line", line);
}

}  // namespace

std::string DescribeResources(Resources& resources, Session& session) {
  SetupState state;
  const std::string licence = ReadSetupStart(state, resources, session);
  std::string out;
  DescribeHeader(out, state);
  DescribeActionLines(out, state);
  Field(out, "PayloadPosition", std::to_string(state.Payload->Position()));
  Field(out, "LicenceBytes", std::to_string(licence.size()));
  out += "Licence:\r\n" + licence;
  return out;
}

bool WriteReport(const std::string& path, const std::string& report) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  bool written = std::fwrite(report.data(), 1, report.size(), file) == report.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace setup
