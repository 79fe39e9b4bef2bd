#pragma once
// The tests of this unit run in code page 932 without reading an emulated system's registry.
#include <gtest/gtest.h>

#include "platform/codepage.h"

namespace forms {

class CodePage932 : public ::testing::Environment {
 public:
  void SetUp() override { win::SetACPOverride(932); }
  void TearDown() override { win::SetACPOverride(0); }
};

inline ::testing::Environment* const kCodePage932 =
    ::testing::AddGlobalTestEnvironment(new CodePage932);

}  // namespace forms
