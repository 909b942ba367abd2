#include <gtest/gtest.h>

#include "platform/fake/FakeAccessibilityCheck.h"
#include "platform/fake/FakeFileReveal.h"

namespace nabbit {
namespace {

TEST(FakeAccessibilityCheckTest, AnswersWhatWasSetAndCountsQuestions) {
    FakeAccessibilityCheck check;
    const AccessibilityCheck& asInterface = check;
    EXPECT_FALSE(asInterface.syntheticKeyEventsAllowed());
    check.setAllowed(true);
    EXPECT_TRUE(asInterface.syntheticKeyEventsAllowed());
    EXPECT_EQ(check.questions(), 2);
    EXPECT_TRUE(FakeAccessibilityCheck(true).syntheticKeyEventsAllowed());
}

TEST(FakeFileRevealTest, RecordsRequestsInOrder) {
    FakeFileReveal fake;
    FileReveal& reveal = fake;
    EXPECT_TRUE(fake.requests().empty());
    reveal.openFolder("/home/u/Library/Messages");
    reveal.revealFile("/home/u/Documents/Nabbit_Debug.log");
    reveal.openFolder("/x");
    using Action = FakeFileReveal::Action;
    const std::vector<FakeFileReveal::Request> expected = {
        {Action::openFolder, "/home/u/Library/Messages"},
        {Action::revealFile, "/home/u/Documents/Nabbit_Debug.log"},
        {Action::openFolder, "/x"},
    };
    EXPECT_EQ(fake.requests(), expected);
}

}  // namespace
}  // namespace nabbit
