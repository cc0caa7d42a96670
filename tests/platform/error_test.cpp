// Platform errors: what a caller and a reader of the message learn.

#include <string>

#include "platform/error.h"

#include <stdexcept>

#include <gtest/gtest.h>

namespace quendel::platform {
namespace {

TEST(PlatformError, Message_NamesCallArgumentsAndCode) {
  const EPlatformError error("CreateFileA", "\"C:\\x.txt\", GENERIC_READ", errSharingViolation);
  EXPECT_EQ(error.Call(), "CreateFileA");
  EXPECT_EQ(error.Arguments(), "\"C:\\x.txt\", GENERIC_READ");
  EXPECT_EQ(error.Code(), errSharingViolation);
  EXPECT_STREQ(error.what(),
               "CreateFileA(\"C:\\x.txt\", GENERIC_READ) failed: error 32 ERROR_SHARING_VIOLATION");
}

TEST(PlatformError, Code_ZeroStillMeansFailure) {
  const EPlatformError error("GetTempFileNameA", "", errSuccess);
  EXPECT_EQ(error.Code(), errGenFailure);
  EXPECT_NE(std::string(error.what()).find("set no error code"), std::string::npos) << error.what();
}

TEST(PlatformError, Code_UnknownCodesKeepTheirNumber) {
  const EPlatformError error("InternetOpenUrlA", "", 12029);
  EXPECT_EQ(error.Code(), 12029u);
  EXPECT_EQ(ErrorName(12029), "");
  EXPECT_STREQ(error.what(), "InternetOpenUrlA() failed: error 12029");
}

QUENDEL_EXCEPTION(EOuter, Exception);
QUENDEL_EXCEPTION(EMiddle, Exception);

// An upper layer replaces the operating system's error with a message of its
// own; the code stays reachable through any number of such replacements.
TEST(PlatformError, Cause_CodeReachableThroughReplacingErrors) {
  try {
    try {
      try {
        throw EPlatformError("MoveFileExA", "\"C:\\a.dll\"", errSharingViolation);
      } catch (const std::exception&) {
        quendel::ThrowWithCause(EMiddle("Cannot replace a.dll"));
      }
    } catch (const std::exception&) {
      quendel::ThrowWithCause(EOuter("Installation failed"));
    }
  } catch (const EOuter& e) {
    EXPECT_STREQ(e.what(), "Installation failed");
    EXPECT_EQ(PlatformErrorCode(e), errSharingViolation);
    ASSERT_NE(FindPlatformError(e), nullptr);
    EXPECT_EQ(FindPlatformError(e)->Call(), "MoveFileExA");
    EXPECT_NE(quendel::FindInCauses<EMiddle>(e), nullptr);
    EXPECT_EQ(quendel::DescribeWithCauses(e),
              "Installation failed; caused by: Cannot replace a.dll; caused by: "
              "MoveFileExA(\"C:\\a.dll\") failed: error 32 ERROR_SHARING_VIOLATION");
    return;
  }
  FAIL() << "nothing was raised";
}

TEST(PlatformError, Cause_NoneBehindAPlainErrorOrAForeignOne) {
  const quendel::Exception Plain("Invalid stream format");
  EXPECT_EQ(PlatformErrorCode(Plain), errSuccess);
  EXPECT_EQ(quendel::DescribeWithCauses(Plain), "Invalid stream format");
  const std::runtime_error Foreign("bad");
  EXPECT_EQ(FindPlatformError(Foreign), nullptr);
  // A platform error is itself one of the system's errors.
  const EPlatformError Os("DeleteFileA", "", errAccessDenied);
  EXPECT_EQ(PlatformErrorCode(static_cast<const quendel::Exception&>(Os)), errAccessDenied);
}

} // namespace
} // namespace quendel::platform
