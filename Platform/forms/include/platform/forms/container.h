#pragma once
// Containers: the form, frames and the pages of a tab dialog. A container owns the controls placed in it
// for the life of the form; their addresses never change.
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/forms/control.h"

namespace platform::forms {

class Container : public Control {
public:
    // Creates a control of type T in this container, at the end of the form's TabIndex sequence. Names
    // are the controls' own; Find returns the first control of a name.
    template <class T, class... Args>
    T& Add(std::u16string name, Args&&... args) {
        auto control = std::make_unique<T>(CreationKey{}, std::move(name), std::forward<Args>(args)...);
        T& added = *control;
        Adopt(std::move(control));
        return added;
    }

    // The controls placed directly in this container, in the order they were added.
    std::vector<Control*> Children() const;

    // This container's own controls of a kind that groups (option buttons).
    template <class T>
    std::vector<T*> ChildrenOfType() const {
        std::vector<T*> found;
        for (const auto& child : children_)
            if (auto* typed = dynamic_cast<T*>(child.get())) found.push_back(typed);
        return found;
    }

protected:
    Container(CreationKey key, ControlKind kind, std::u16string name) : Control(key, kind, std::move(name)) {}

private:
    friend class TabDialog;
    void Adopt(std::unique_ptr<Control> control);
    std::vector<std::unique_ptr<Control>> children_;
};

// A frame groups controls under a caption (and option buttons into one group).
class Frame final : public Container {
public:
    Frame(CreationKey key, std::u16string name) : Container(key, ControlKind::Frame, std::move(name)) {}
    const std::u16string& Caption() const { return caption_; }
    void SetCaption(std::u16string_view caption) { caption_ = caption; }

private:
    std::u16string caption_;
};

}  // namespace platform::forms
