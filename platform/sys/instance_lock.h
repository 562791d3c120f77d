// One running program per device root and window class, across processes.
//
// While a program holds the claim, an abstract Unix socket is bound and listening under a name
// made from a hash of the canonical device root and the class name; a probe connects to it and
// so never holds the name itself. An abstract socket leaves no file in
// the root, and the kernel frees its name when the process ends, a crash or SIGKILL included,
// so a stale claim never blocks the next start; programs on different roots never collide.
#pragma once

#include <string>

namespace vplat {

enum class InstanceClaim {
  kClaimed,      // this process now holds the claim
  kHeldElsewhere,  // another holder (another process, or an earlier claim in this one) has it
  kUnavailable,  // the host refused a socket: no claim, and nothing known about others
};

// Claims the class for this device root. Claiming again what this process holds gives
// kHeldElsewhere, as for another process.
InstanceClaim ClaimInstance(const std::wstring& className);
// Gives up a claim of this process (nothing when it holds none).
void ReleaseInstance(const std::wstring& className);
// True when some process holds the claim for the class on this root (this one included).
bool IsInstanceClaimed(const std::wstring& className);
// The socket name (without the leading zero byte) for the current root and the class.
std::string InstanceSocketName(const std::wstring& className);

}  // namespace vplat
