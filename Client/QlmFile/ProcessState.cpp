#include "ProcessState.h"

namespace qlmfile {

ProcessState& Process() {
    static ProcessState state;
    return state;
}

}  // namespace qlmfile
