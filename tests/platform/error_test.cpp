// Platform errors: what a caller and a reader of the message learn.

#include <string>

#include "platform/error.h"

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

} // namespace
} // namespace quendel::platform
