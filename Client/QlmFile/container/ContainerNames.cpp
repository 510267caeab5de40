#include "ContainerNames.h"

namespace qlmfile {
namespace {

std::size_t AfterLastSeparator(std::u16string_view path) {
    const std::size_t separator = path.find_last_of(u"\\/");
    return separator == std::u16string_view::npos ? 0 : separator + 1;
}

std::u16string_view WithoutExtension(std::u16string_view path) {
    return path.substr(0, path.size() - ExtensionOf(path).size());
}

}  // namespace

std::u16string_view ExtensionOf(std::u16string_view path) {
    const std::size_t dot = path.find_last_of(u'.');
    if (dot == std::u16string_view::npos || dot < AfterLastSeparator(path)) return {};
    return path.substr(dot);
}

std::u16string ContainerPathFor(std::u16string_view sourcePath) {
    std::u16string container(WithoutExtension(sourcePath));
    container += u".qlm";
    return container;
}

bool IsSafeExtension(std::u16string_view extension) {
    if (extension.empty()) return true;
    if (extension.front() != u'.') return false;
    for (char16_t c : extension) {
        if (c == u'/' || c == u'\\' || c < 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F)) return false;
    }
    return true;
}

bool RestoredPathFor(std::u16string_view containerPath, std::u16string_view extension, std::u16string& restoredPath) {
    if (!IsSafeExtension(extension)) return false;
    std::u16string restored(WithoutExtension(containerPath));
    restored += extension;
    const std::u16string_view name = std::u16string_view(restored).substr(AfterLastSeparator(restored));
    if (name.empty() || name == u"." || name == u"..") return false;
    restoredPath = std::move(restored);
    return true;
}

}  // namespace qlmfile
