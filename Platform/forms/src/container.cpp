#include "platform/forms/container.h"

#include "platform/forms/form.h"

namespace platform::forms {

std::vector<Control*> Container::Children() const {
    std::vector<Control*> children;
    children.reserve(children_.size());
    for (const auto& child : children_) children.push_back(child.get());
    return children;
}

void Container::Adopt(std::unique_ptr<Control> control) {
    control->parent_ = this;
    Control& adopted = *control;
    children_.push_back(std::move(control));
    if (Form* form = OwnerForm()) form->Register(adopted);
}

}  // namespace platform::forms
