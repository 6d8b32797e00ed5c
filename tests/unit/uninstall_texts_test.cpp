// Every message exists in the three languages, with the names and reasons filled in.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "UninstallTexts.h"

namespace setup {
namespace {

constexpr LogLanguage kLanguages[] = {LogLanguage::German, LogLanguage::French,
                                      LogLanguage::English};

TEST(UninstallTexts, EveryDamageHasAReasonInEveryLanguage) {
  for (LogLanguage language : kLanguages) {
    std::string bare = DamagedLogMessage(language, "C:\\P\\UnInstall.LOG", LogDamage::None, 0);
    for (int d = static_cast<int>(LogDamage::Missing);
         d <= static_cast<int>(LogDamage::BadExtension); ++d) {
      std::string text =
          DamagedLogMessage(language, "C:\\P\\UnInstall.LOG", static_cast<LogDamage>(d), 7);
      EXPECT_NE(text.find("C:\\P\\UnInstall.LOG"), std::string::npos) << d;
      EXPECT_NE(text.find('7'), std::string::npos) << d;
      EXPECT_GT(text.size(), bare.size() + 5) << "no reason text for damage " << d;
    }
  }
}

TEST(UninstallTexts, FinalMessageListsEveryProblemKind) {
  const std::vector<RemovalProblem> problems = {{ProblemKind::FileNotRemoved, "C:\\a"},
                                                {ProblemKind::FolderNotRemoved, "C:\\b\\"},
                                                {ProblemKind::AssociationChanged, ".T1"},
                                                {ProblemKind::KeyNotRemoved, "T1file"}};
  for (LogLanguage language : kLanguages) {
    std::string clean = FinalMessage(language, "Prod %2", {}, false);
    EXPECT_NE(clean.find("\"Prod %2\""), std::string::npos);
    EXPECT_EQ(clean.find("\r\n"), std::string::npos) << "a clean removal is one sentence";
    std::string text = FinalMessage(language, "Prod", problems, true);
    std::size_t at = 0;
    for (const RemovalProblem& problem : problems) {
      SCOPED_TRACE(problem.target);
      std::size_t found = text.find(problem.target, at);
      ASSERT_NE(found, std::string::npos);
      EXPECT_GT(text.rfind("\r\n", found), at) << "each problem on a line of its own";
      at = found;
    }
    EXPECT_NE(text.find("UnInstall.EXE"), std::string::npos);
  }
}

TEST(UninstallTexts, LanguagesDiffer) {
  EXPECT_EQ(UninstallCaption(LogLanguage::German), "Deinstallation");
  EXPECT_EQ(UninstallCaption(LogLanguage::French), "Désinstallation");
  EXPECT_EQ(UninstallCaption(LogLanguage::English), "Uninstall");
  EXPECT_NE(RemoveQuestion(LogLanguage::German, "P"), RemoveQuestion(LogLanguage::French, "P"));
}

// A rewritten log's refusal names the file and the product; the question before anything outside
// the destination shows what, the first twelve items and then "...", so the box keeps its buttons.
TEST(UninstallTexts, RefusalAndOutsideQuestionInEveryLanguage) {
  std::vector<std::string> outside;
  for (int i = 1; i <= 13; ++i) outside.push_back("C:\\Out\\item" + std::to_string(i) + "x");
  std::set<std::string> refusals, questions;
  for (LogLanguage language : kLanguages) {
    const std::string refusal = RewrittenLogMessage(language, "C:\\P\\UnInstall.LOG", "Prod %1");
    EXPECT_NE(refusal.find("C:\\P\\UnInstall.LOG"), std::string::npos);
    EXPECT_NE(refusal.find("\"Prod %1\""), std::string::npos);
    refusals.insert(refusal);
    const std::string question = OutsideQuestion(language, "Prod", "C:\\P\\", outside);
    EXPECT_NE(question.find("\"Prod\""), std::string::npos);
    EXPECT_NE(question.find("C:\\Out\\item12x\r\n...\r\n"), std::string::npos) << question;
    EXPECT_EQ(question.find("item13x"), std::string::npos);
    questions.insert(question);
    EXPECT_EQ(OutsideQuestion(language, "Prod", "C:\\P\\", {"C:\\Out\\a"}).find("..."),
              std::string::npos);
  }
  EXPECT_EQ(refusals.size(), 3u);
  EXPECT_EQ(questions.size(), 3u);
}

}  // namespace
}  // namespace setup
