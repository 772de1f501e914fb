#pragma once
// Links to delegates and data sources, which may die before the view or
// alert that calls them: a screen leaves while its table's first load, a
// scroll animation or a notice's timed dismissal is still to come. The
// interfaces derive from LinkTarget; their holders keep a WeakLink, which
// reads as null once the target is destroyed, so deferred work never calls
// an owner that is gone. Main thread only, like the views.
#include <memory>

namespace ui {

class LinkTarget {
public:
    LinkTarget() = default;
    // A copy is another object: links stay with the one copied from.
    LinkTarget(const LinkTarget&) {}
    LinkTarget& operator=(const LinkTarget&) { return *this; }

protected:
    // Links expire here, after the derived part has been destroyed.
    ~LinkTarget() = default;

private:
    template <class T>
    friend class WeakLink;
    // Made on the first link: a target nothing links to costs nothing.
    std::weak_ptr<const void> token() const {
        if (!alive_) alive_ = std::make_shared<char>();
        return alive_;
    }
    mutable std::shared_ptr<const void> alive_;
};

// Set from and read as a plain pointer, so holders and callers keep their
// `T*` signatures.
template <class T>
class WeakLink {
public:
    WeakLink() = default;
    WeakLink(T* target) { *this = target; }
    WeakLink& operator=(T* target) {
        target_ = target;
        alive_ = target ? static_cast<const LinkTarget*>(target)->token() : std::weak_ptr<const void>{};
        return *this;
    }
    T* get() const { return alive_.expired() ? nullptr : target_; }
    T* operator->() const { return get(); }
    operator T*() const { return get(); }

private:
    T* target_ = nullptr;
    std::weak_ptr<const void> alive_;
};

}  // namespace ui
