#pragma once
// The Quillmarsh type library: QlmUI, its dual interface _QlmUI described member by member in one table,
// and its empty event interface __QlmUI.
#include "platform/dispatch.h"

namespace qlmcontrol {

const platform::com::TypeLibraryDescription& QuillmarshLibrary();
const platform::com::InterfaceDescription& QlmUIInterface();

}  // namespace qlmcontrol
