#include "toolkit/Component.h"

#include <algorithm>
#include <cctype>

namespace tk {

bool SameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

void Abort() {
    throw EAbort();
}

std::string NotFoundMessage(const TComponent& owner, const std::string& name, const char* wanted) {
    std::string where = owner.Name().empty() ? owner.ClassName() : owner.Name();
    if (wanted) return "Component '" + name + "' of " + where + " is not " + wanted;
    return "Component '" + name + "' not found in " + where;
}

void TComponentDeleter::operator()(TComponent* component) const {
    if (!component) return;
    component->BeforeDestruction();
    delete component;
}

TComponent::TComponent(TComponent* owner) : m_owner(owner) {}

void TComponent::BeforeDestruction() {
    m_state |= csDestroying;
}

TComponent::~TComponent() {
    m_state |= csDestroying;
    NotifyRemoval();
    DestroyComponents();
    if (m_owner) {
        // Destroyed directly rather than through the owner: drop the owner's (released) entry.
        auto& list = m_owner->m_components;
        auto it = std::find_if(list.begin(), list.end(), [this](const auto& p) { return p.get() == this; });
        if (it != list.end()) {
            it->release();
            list.erase(it);
        }
        m_owner->Notification(this, opRemove);
    }
}

void TComponent::NotifyRemoval() {
    // Partners may remove themselves while being told; work on a copy.
    auto partners = m_freeNotifies;
    m_freeNotifies.clear();
    for (TComponent* other : partners) {
        auto& back = other->m_freeNotifies;
        back.erase(std::remove(back.begin(), back.end(), this), back.end());
        other->Notification(this, opRemove);
    }
}

void TComponent::DestroyComponents() {
    // Last created first, as the classic toolkit does.
    while (!m_components.empty()) {
        TOwned<TComponent> last = std::move(m_components.back());
        m_components.pop_back();
        last.reset();
    }
}

void TComponent::ValidateRename(const std::string& newName) const {
    if (!m_owner || newName.empty()) return;
    TComponent* other = m_owner->FindComponent(newName);
    if (other && other != this) throw EComponentError("A component named " + newName + " already exists");
}

void TComponent::SetName(const std::string& name) {
    if (name == m_name) return;
    for (std::size_t i = 0; i < name.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        if (!(std::isalpha(c) || c == '_' || (i > 0 && std::isdigit(c))))
            throw EComponentError("\"" + name + "\" is not a valid component name");
    }
    ValidateRename(name);
    m_name = name;
}

TComponent* TComponent::Components(int index) const {
    if (index < 0 || index >= ComponentCount())
        throw ERangeError("Component index out of bounds (" + std::to_string(index) + ")");
    return m_components[static_cast<std::size_t>(index)].get();
}

int TComponent::ComponentIndex() const {
    if (!m_owner) return -1;
    const auto& list = m_owner->m_components;
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].get() == this) return static_cast<int>(i);
    return -1;
}

TComponent* TComponent::FindComponent(const std::string& name) const {
    if (name.empty()) return nullptr;
    for (const auto& c : m_components)
        if (c && SameText(c->m_name, name)) return c.get();
    return nullptr;
}

void TComponent::InsertComponent(TOwned<TComponent> component) {
    if (!component) return;
    TComponent* raw = component.get();
    if (raw->m_owner && raw->m_owner != this) {
        auto released = raw->m_owner->RemoveComponent(raw);
        (void)released.release(); // the same object; ownership moves on below
    }
    if (!raw->m_name.empty() && FindComponent(raw->m_name))
        throw EComponentError("A component named " + raw->m_name + " already exists");
    raw->m_owner = this;
    m_components.push_back(std::move(component));
    Notification(raw, opInsert);
}

TOwned<TComponent> TComponent::RemoveComponent(TComponent* component) {
    auto it = std::find_if(m_components.begin(), m_components.end(),
                           [component](const auto& p) { return p.get() == component; });
    if (it == m_components.end()) return nullptr;
    TOwned<TComponent> owned = std::move(*it);
    m_components.erase(it);
    owned->m_owner = nullptr;
    Notification(component, opRemove);
    return owned;
}

void TComponent::Free() {
    if (!m_owner) throw EComponentError("Free: " + m_name + " has no owner; its holder destroys it");
    auto& list = m_owner->m_components;
    auto it = std::find_if(list.begin(), list.end(), [this](const auto& p) { return p.get() == this; });
    if (it == list.end()) return;
    TOwned<TComponent> self = std::move(*it);
    list.erase(it);
    self.reset(); // the destructor still tells the owner
}

namespace detail {
void DestroyHalfMade(TComponent* component, const TTracker& alive) {
    // Without an owner, someone took it over while it was made and holds it now.
    if (alive && component->Owner()) component->Free();
}
} // namespace detail

void TComponent::FreeNotification(TComponent* other) {
    if (!other || other == this) return;
    if (std::find(m_freeNotifies.begin(), m_freeNotifies.end(), other) == m_freeNotifies.end())
        m_freeNotifies.push_back(other);
    if (std::find(other->m_freeNotifies.begin(), other->m_freeNotifies.end(), this) ==
        other->m_freeNotifies.end())
        other->m_freeNotifies.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* other) {
    if (!other) return;
    std::erase(m_freeNotifies, other);
    std::erase(other->m_freeNotifies, this);
}

bool TComponent::SetParentComponent(TComponent* parent) {
    return parent == nullptr;
}

void TComponent::Loaded() {
    m_state &= ~(csLoading | csReading);
}

void TComponent::Notification(TComponent*, TOperation) {}

} // namespace tk
