// The data layer's reports and busy cursors go through the program's own
// wiring to the dialog kit for every test of an executable that links this,
// as main() installs it: tests that look at what the user sees install a
// scripted dialog service and read the report there.
#include <gtest/gtest.h>

#include <memory>

#include "app/dialog_feedback.h"

namespace {

class FeedbackEnvironment final : public testing::Environment {
public:
    void SetUp() override { feedback_ = std::make_unique<ScopedDialogFeedback>(); }
    void TearDown() override { feedback_.reset(); }

private:
    std::unique_ptr<ScopedDialogFeedback> feedback_;
};

[[maybe_unused]] testing::Environment* const environment =
    testing::AddGlobalTestEnvironment(new FeedbackEnvironment);

}  // namespace
