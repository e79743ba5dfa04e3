// The component model: named, tagged objects in owner trees.
#pragma once

#include "toolkit/Graphics.h"
#include "toolkit/Types.h"

#include <memory>
#include <string>
#include <vector>

namespace tk {

enum TOperation { opInsert, opRemove };

class TComponent;
// Destroys a component the toolkit's way: BeforeDestruction (a form's OnDestroy runs while the whole
// object is alive), then the destructors.
struct TComponentDeleter {
    void operator()(TComponent* component) const;
};
template <class T = TComponent> using TOwned = std::unique_ptr<T, TComponentDeleter>;

using TComponentState = unsigned;
constexpr TComponentState csLoading = 1;
constexpr TComponentState csReading = 2;
constexpr TComponentState csDestroying = 4;

class TComponent : public TObject {
public:
    // The owner is remembered here; tk::New puts the component into the owner's list.
    explicit TComponent(TComponent* owner);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    std::string ClassName() const override { return "TComponent"; }

    const std::string& Name() const { return m_name; }
    // Names are unique (case-insensitively) among the owner's components; empty names are allowed.
    void SetName(const std::string& name);
    int Tag() const { return m_tag; }
    void SetTag(int tag) { m_tag = tag; }

    TComponent* Owner() const { return m_owner; }
    int ComponentCount() const { return static_cast<int>(m_components.size()); }
    TComponent* Components(int index) const;
    int ComponentIndex() const;
    // Case-insensitive search among the owned components; null when none.
    TComponent* FindComponent(const std::string& name) const;
    // The owned component of that name and class; throws EComponentError naming it when missing.
    template <class T> T& ComponentByName(const std::string& name) const;

    // Takes ownership (the component leaves its previous owner).
    void InsertComponent(TOwned<TComponent> component);
    // Hands ownership back to the caller.
    TOwned<TComponent> RemoveComponent(TComponent* component);
    // Destroys this component through its owner (which must exist).
    void Free();

    // other->Notification(this, opRemove) is called when this component is destroyed, and vice versa.
    void FreeNotification(TComponent* other);
    void RemoveFreeNotification(TComponent* other);

    TComponentState ComponentState() const { return m_state; }
    bool Loading() const { return (m_state & csLoading) != 0; }
    bool Destroying() const { return (m_state & csDestroying) != 0; }
    // The form reader brackets its assignments with these.
    void BeginLoading() { m_state |= csLoading | csReading; }
    void EndReading() { m_state &= ~csReading; }
    // Leaves the loading state without Loaded() (a layout that failed to read).
    void EndLoading() { m_state &= ~(csLoading | csReading); }
    // Clears the loading state, then does what the class needs once its stored properties are in.
    virtual void Loaded();
    // Runs once after construction by tk::New / tk::Make (a form raises OnCreate here).
    virtual void AfterConstruction() {}
    // Where a nested object of a layout goes: a control into its parent, a menu item into its menu.
    // Returns false when this component cannot hold the child.
    virtual bool SetParentComponent(TComponent* parent);
    // Runs before the destructors when the toolkit destroys the component (Free, its owner, TOwned).
    virtual void BeforeDestruction();

    // Liveness token: a handler may destroy its sender; dispatch code checks this afterwards.
    std::weak_ptr<void> LifeToken() const { return m_life; }

protected:
    virtual void Notification(TComponent* component, TOperation operation);
    virtual void ValidateRename(const std::string& newName) const;

private:
    void DestroyComponents();
    void NotifyRemoval();

    std::string m_name;
    int m_tag{};
    TComponent* m_owner{};
    TComponentState m_state{};
    std::vector<TOwned<TComponent>> m_components;
    std::vector<TComponent*> m_freeNotifies;
    std::shared_ptr<int> m_life{std::make_shared<int>(0)};
};

// True while the component the token came from is alive.
class TTracker {
public:
    explicit TTracker(const TComponent* component) : m_token(component->LifeToken()) {}
    bool Alive() const { return !m_token.expired(); }
    explicit operator bool() const { return Alive(); }

private:
    std::weak_ptr<void> m_token;
};

namespace detail {
// Frees a component whose AfterConstruction failed, unless that already destroyed it.
void DestroyHalfMade(TComponent* component, const TTracker& alive);
} // namespace detail

// Creates a component owned by owner (which then destroys it) and returns a non-owning pointer. When
// AfterConstruction throws (a form's OnCreate), the half-made component is destroyed, OnDestroy and
// destructor included, and the exception goes on to the caller.
template <class T, class... Args> T* New(TComponent* owner, Args&&... args) {
    if (!owner) throw EComponentError("tk::New needs an owner; use tk::Make for an unowned component");
    TOwned<T> component(new T(owner, std::forward<Args>(args)...));
    T* raw = component.get();
    owner->InsertComponent(TOwned<TComponent>(component.release()));
    TTracker alive(raw);
    try {
        raw->AfterConstruction();
    } catch (...) {
        detail::DestroyHalfMade(raw, alive);
        throw;
    }
    return raw;
}

// Creates an unowned component held by the caller; a failing AfterConstruction destroys it as New does.
template <class T, class... Args> TOwned<T> Make(Args&&... args) {
    TOwned<T> component(new T(nullptr, std::forward<Args>(args)...));
    component->AfterConstruction();
    return component;
}

std::string NotFoundMessage(const TComponent& owner, const std::string& name, const char* wanted);

template <class T> T& TComponent::ComponentByName(const std::string& name) const {
    TComponent* found = FindComponent(name);
    T* typed = dynamic_cast<T*>(found);
    if (!typed)
        throw EComponentError(NotFoundMessage(*this, name, found ? "of the expected class" : nullptr));
    return *typed;
}

bool SameText(const std::string& a, const std::string& b);

} // namespace tk
