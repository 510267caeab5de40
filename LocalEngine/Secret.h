#pragma once
// Text that must not outlive its use in memory: key material and key text, wiped when it goes.
#include <openssl/crypto.h>

#include <string>

namespace local_engine {

class Secret {
public:
    Secret() = default;
    explicit Secret(std::string text) : text_(std::move(text)) {}
    ~Secret() { Wipe(); }
    Secret(const Secret&) = delete;
    Secret& operator=(const Secret&) = delete;

    const std::string& Text() const { return text_; }
    // Replaces the text; the old one is wiped first.
    void Assign(const char* text, std::size_t length) {
        Wipe();
        text_.assign(text, length);
    }
    void Wipe() {
        if (!text_.empty()) OPENSSL_cleanse(text_.data(), text_.size());
        text_.clear();
    }

private:
    std::string text_;
};

}  // namespace local_engine
