#include <platform/LastError.h>

#include <gtest/gtest.h>

#include <thread>

using platform::LastSystemError;
using platform::SetLastSystemError;
using platform::SystemError;

namespace {

TEST(LastErrorTest, KeepsTheLastErrorSet)
{
    SetLastSystemError(SystemError::SharingViolation);
    EXPECT_EQ(LastSystemError(), SystemError::SharingViolation);
    SetLastSystemError(SystemError::FileNotFound);
    EXPECT_EQ(LastSystemError(), SystemError::FileNotFound);
    SetLastSystemError(SystemError::None);
    EXPECT_EQ(LastSystemError(), SystemError::None);
}

TEST(LastErrorTest, EachThreadHasItsOwn)
{
    SetLastSystemError(SystemError::AccessDenied);
    SystemError seenOnStart = SystemError::GeneralFailure;
    SystemError seenAfterSet = SystemError::None;
    std::thread other([&] {
        seenOnStart = LastSystemError();
        SetLastSystemError(SystemError::DiskFull);
        seenAfterSet = LastSystemError();
    });
    other.join();

    EXPECT_EQ(seenOnStart, SystemError::None) << "a new thread starts with no error";
    EXPECT_EQ(seenAfterSet, SystemError::DiskFull);
    EXPECT_EQ(LastSystemError(), SystemError::AccessDenied)
        << "the other thread's error stays there";
    SetLastSystemError(SystemError::None);
}

} // namespace
