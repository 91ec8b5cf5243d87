#include "frame/errors.h"

#include "fakes/runtime_fixture.h"

namespace {

class ErrorFrameTest : public RuntimeFixture {};

TEST_F(ErrorFrameTest, RaisingRecordsTheLastNumberWithPending) {
  rt_raise_error(0);
  EXPECT_EQ(frame.error_word, ERROR_PENDING | ERR_INTERNAL);
  rt_raise_error(ERR_FILE_NOT_FOUND);
  rt_raise_error(ERR_PERMISSION_DENIED);
  EXPECT_EQ(frame.error_word, ERROR_PENDING | ERR_PERMISSION_DENIED);
  EXPECT_EQ(rt_last_error(), ERR_PERMISSION_DENIED);
  rt_clear_error();
  EXPECT_EQ(frame.error_word, 0);
}

}  // namespace
