// The machine-wide lock: two copies take turns, and an object squatting the lock's old
// global name neither blocks it nor stands in for it.
#include <windows.h>

#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "entries/unitAppListState.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Win32MachineLocks.h"

namespace kw::win32 {
namespace {

// This process's token with the Administrators group for denying only, as a standard
// user's (or a non-elevated administrator's) copy has it, for a thread to impersonate.
unique_kernel_handle WithoutAdministratorRights() {
  BYTE administrators[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof administrators;
  unique_kernel_handle process, restricted, impersonation;
  SID_AND_ATTRIBUTES deny{administrators, 0};
  if (!::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size) ||
      !::OpenProcessToken(::GetCurrentProcess(), TOKEN_ALL_ACCESS, process.put()) ||
      !::CreateRestrictedToken(process.get(), 0, 1, &deny, 0, nullptr, 0, nullptr, restricted.put()) ||
      !::DuplicateTokenEx(restricted.get(), TOKEN_ALL_ACCESS, nullptr, SecurityImpersonation, TokenImpersonation,
                          impersonation.put()))
    return {};
  return impersonation;
}

// Whether another thread (a mutex is re-entrant for its owner) gets the lock within timeoutMs,
// as an administrator or, with asUser, without administrator rights.
bool OtherThreadGets(int timeoutMs, bool asUser = false) {
  return std::async(std::launch::async,
                    [timeoutMs, asUser] {
                      const unique_kernel_handle token = asUser ? WithoutAdministratorRights() : unique_kernel_handle();
                      if (asUser && (!token || !::SetThreadToken(nullptr, token.get()))) return false;
                      Win32MachineLocks locks;
                      const bool got = locks.Acquire(kStoreLockName, timeoutMs) != nullptr;
                      ::RevertToSelf();
                      return got;
                    })
      .get();
}

TEST(Win32MachineLocks, TwoCopiesTakeTurns) {
  Win32MachineLocks locks;
  auto held = locks.Acquire(kStoreLockName, 1000);
  ASSERT_TRUE(held);
  EXPECT_FALSE(OtherThreadGets(200));
  held.reset();
  EXPECT_TRUE(OtherThreadGets(1000));
}

TEST(Win32MachineLocks, SquattersOfTheOldGlobalNameAreIgnored) {
  const std::wstring oldName = L"Global\\Velmora.Kelderwick.DisabledApps";
  // An event of that name, and a mutex of that name held by another thread.
  unique_kernel_handle event(::CreateEventW(nullptr, TRUE, FALSE, oldName.c_str()));
  ASSERT_TRUE(event);
  EXPECT_TRUE(OtherThreadGets(1000));
  event.reset();

  std::promise<void> taken, done;
  std::thread squatter([&] {
    unique_kernel_handle mutex(::CreateMutexW(nullptr, TRUE, oldName.c_str()));
    taken.set_value();
    done.get_future().wait();
    ::ReleaseMutex(mutex.get());
  });
  taken.get_future().wait();
  Win32MachineLocks locks;
  auto held = locks.Acquire(kStoreLockName, 1000);
  EXPECT_TRUE(held);
  EXPECT_FALSE(OtherThreadGets(200));  // and it still excludes the other copies
  held.reset();
  done.set_value();
  squatter.join();
}

// A copy without administrator rights may change only its user's own entries: it takes a
// lock of that user's, neither waiting for the administrators' copies nor holding them up.
TEST(Win32MachineLocks, ACopyWithoutAdministratorRightsTakesItsUsersOwnLock) {
  Win32MachineLocks locks;
  auto administrators = locks.Acquire(kStoreLockName, 1000);
  ASSERT_TRUE(administrators);
  EXPECT_TRUE(OtherThreadGets(1000, /*asUser*/ true));
  administrators.reset();

  std::promise<void> taken, done;
  std::thread user([&] {
    const unique_kernel_handle token = WithoutAdministratorRights();
    ::SetThreadToken(nullptr, token.get());
    Win32MachineLocks userLocks;
    auto held = userLocks.Acquire(kStoreLockName, 1000);
    ::RevertToSelf();
    EXPECT_TRUE(held);
    taken.set_value();
    done.get_future().wait();
  });
  taken.get_future().wait();
  EXPECT_FALSE(OtherThreadGets(200, /*asUser*/ true));  // the same user's copies take turns
  EXPECT_TRUE(OtherThreadGets(1000));
  done.set_value();
  user.join();
}

}  // namespace
}  // namespace kw::win32
