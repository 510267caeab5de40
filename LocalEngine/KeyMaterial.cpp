#include "KeyMaterial.h"

#include <openssl/evp.h>
#include <openssl/rand.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "winerror.h"

namespace local_engine {
namespace {

std::string UserName() {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        found->pw_name != nullptr && *found->pw_name != '\0')
        return found->pw_name;
    if (const char* user = std::getenv("USER"); user != nullptr && *user != '\0') return user;
    // snprintf rather than std::to_string, whose digit table is a unique symbol that would keep
    // the server from ever being unloaded.
    char uid[32];
    std::snprintf(uid, sizeof uid, "user %u", static_cast<unsigned>(::geteuid()));
    return uid;
}

std::string HostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "an unnamed host";
    return name;
}

}  // namespace

void Base64(const unsigned char* bytes, std::size_t count, Secret& text) {
    // EVP_EncodeBlock writes one block with no line breaks, plus a NUL.
    std::vector<unsigned char> encoded(4 * ((count + 2) / 3) + 1);
    const int written = EVP_EncodeBlock(encoded.data(), bytes, static_cast<int>(count));
    text.Assign(reinterpret_cast<const char*>(encoded.data()), static_cast<std::size_t>(written));
    OPENSSL_cleanse(encoded.data(), encoded.size());
}

std::string Base64(const unsigned char* bytes, std::size_t count) {
    Secret text;
    Base64(bytes, count, text);
    return text.Text();
}

HRESULT RandomBase64(std::size_t count, Secret& text) {
    std::vector<unsigned char> bytes(count);
    const bool ok = RAND_bytes(bytes.data(), static_cast<int>(count)) == 1;
    if (ok) Base64(bytes.data(), count, text);
    OPENSSL_cleanse(bytes.data(), bytes.size());
    return ok ? S_OK : NTE_FAIL;
}

std::string LockComment(std::time_t when) {
    std::tm local{};
    ::localtime_r(&when, &local);
    char stamp[40] = {};
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S%z", &local);
    // strftime's %z is +hhmm; ISO 8601's extended form wants +hh:mm.
    std::string text(stamp);
    if (text.size() >= 5) text.insert(text.size() - 2, ":");
    return "Locked by " + UserName() + " on " + HostName() + " at " + text;
}

std::string UtcTimestamp(std::time_t when) {
    std::tm utc{};
    ::gmtime_r(&when, &utc);
    char stamp[32] = {};
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return stamp;
}

}  // namespace local_engine
