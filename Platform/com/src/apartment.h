#pragma once
// The calling thread's COM initialisation, for the runtime's own checks.

namespace platform::com {

bool ThreadHasInitializedCom();

}  // namespace platform::com
