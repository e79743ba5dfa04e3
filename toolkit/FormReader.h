// The form reader: window layouts as text ("object Name: TClass", "Prop = Value", "end"), a class
// registry with factories and base classes, and one property table per class that calls the public
// setters, so a loaded value behaves like one set in code.
#pragma once

#include "toolkit/Component.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tk {

class TForm;

// A parsed property value.
struct TValue {
    enum Kind { Integer, Float, String, Ident, Boolean, Set, List, Binary, Items };
    Kind kind{Integer};
    long long integer{};
    double real{};
    std::string text;                // String (UTF-8), Ident
    std::vector<std::string> items;  // Set members, List strings
    std::vector<std::uint8_t> bytes; // Binary { ... }
    int line{};
};

// What a property setter may use while a layout is applied.
class TLoadContext {
public:
    TLoadContext(TComponent& root, std::string fileName) : m_root(root), m_file(std::move(fileName)) {}
    TComponent& Root() const { return m_root; }
    const std::string& FileName() const { return m_file; }
    // Throws EReadError "file(line): message".
    [[noreturn]] void Fail(int line, const std::string& message) const;
    // Runs after every object is read and before Loaded(): references to components named later.
    void AddFixup(std::function<void()> fixup) { m_fixups.push_back(std::move(fixup)); }
    void RunFixups();

    // Typed reads that fail with the file and line on a value of the wrong kind.
    int Int(const TValue& v) const;
    double Real(const TValue& v) const;
    bool Bool(const TValue& v) const;
    const std::string& Str(const TValue& v) const;
    const std::string& Ident(const TValue& v) const;
    TColor Color(const TValue& v) const;
    // An identifier from a table of names (case-insensitive).
    int Enum(const TValue& v, const std::map<std::string, int>& names) const;
    // A set "[a, b]" of names from a table of bit values.
    unsigned SetOf(const TValue& v, const std::map<std::string, unsigned>& names) const;
    const std::vector<std::string>& Strings(const TValue& v) const;
    // The root's component of this name (or the root itself), failing when missing.
    TComponent& Component(const TValue& v) const;
    TForm& RootForm(int line) const;

private:
    TComponent& m_root;
    std::string m_file;
    std::vector<std::function<void()>> m_fixups;
};

using TPropertySetter = std::function<void(TComponent& target, const TValue& value, TLoadContext& context)>;
using TComponentFactory = std::function<TComponent*(TComponent* owner)>;

class TClassInfo {
public:
    TClassInfo(std::string name, const TClassInfo* base, TComponentFactory factory)
        : m_name(std::move(name)), m_base(base), m_factory(std::move(factory)) {}
    const std::string& Name() const { return m_name; }
    const TClassInfo* Base() const { return m_base; }
    bool InheritsFrom(const std::string& className) const;
    bool CanCreate() const { return static_cast<bool>(m_factory); }
    // A new instance owned by owner.
    TComponent* Create(TComponent* owner) const;

    // Adds (or replaces) a property of this class; dotted names ("Font.Name") are plain names here.
    TClassInfo& Property(const std::string& name, TPropertySetter setter);
    // This class's setter or an inherited one; null when none.
    const TPropertySetter* FindProperty(const std::string& name) const;

    // Typed property helpers: each calls the public setter of T.
    template <class T, class V> TClassInfo& Int(const std::string& name, void (T::*set)(V)) {
        return Property(name, [set](TComponent& c, const TValue& v, TLoadContext& x) {
            (Cast<T>(c, x, v).*set)(static_cast<V>(x.Int(v)));
        });
    }
    template <class T> TClassInfo& Bool(const std::string& name, void (T::*set)(bool)) {
        return Property(name, [set](TComponent& c, const TValue& v, TLoadContext& x) {
            (Cast<T>(c, x, v).*set)(x.Bool(v));
        });
    }
    template <class T> TClassInfo& Str(const std::string& name, void (T::*set)(const std::string&)) {
        return Property(name, [set](TComponent& c, const TValue& v, TLoadContext& x) {
            (Cast<T>(c, x, v).*set)(x.Str(v));
        });
    }
    template <class T> TClassInfo& Color(const std::string& name, void (T::*set)(TColor)) {
        return Property(name, [set](TComponent& c, const TValue& v, TLoadContext& x) {
            (Cast<T>(c, x, v).*set)(x.Color(v));
        });
    }
    template <class T, class E>
    TClassInfo& Enum(const std::string& name, void (T::*set)(E), std::map<std::string, int> names) {
        return Property(name, [set, names](TComponent& c, const TValue& v, TLoadContext& x) {
            (Cast<T>(c, x, v).*set)(static_cast<E>(x.Enum(v, names)));
        });
    }
    // An event naming a handler the root form bound with TForm::BindMethod.
    template <class T> TClassInfo& Event(const std::string& name, TNotifyEvent T::*event) {
        return Property(name, [event](TComponent& c, const TValue& v, TLoadContext& x) {
            Cast<T>(c, x, v).*event = NotifyHandler(x, v);
        });
    }
    // A reference to another component of the root, resolved after the whole layout is read.
    template <class T, class C> TClassInfo& Ref(const std::string& name, void (T::*set)(C*)) {
        return Property(name, [set](TComponent& c, const TValue& v, TLoadContext& x) {
            T* target = &Cast<T>(c, x, v);
            TValue value = v;
            x.AddFixup([target, set, value, &x] {
                auto* ref = dynamic_cast<C*>(&x.Component(value));
                if (!ref) x.Fail(value.line, "'" + value.text + "' is not of the class this property needs");
                (target->*set)(ref);
            });
        });
    }
    // A property the layouts carry that has no effect here (designer data).
    TClassInfo& Ignored(const std::string& name);

    template <class T> static T& Cast(TComponent& c, const TLoadContext& x, const TValue& v) {
        auto* t = dynamic_cast<T*>(&c);
        if (!t) x.Fail(v.line, "property does not apply to " + c.ClassName());
        return *t;
    }
    static TNotifyEvent NotifyHandler(const TLoadContext& x, const TValue& v);

private:
    std::string m_name;
    const TClassInfo* m_base{};
    TComponentFactory m_factory;
    std::map<std::string, TPropertySetter, bool (*)(const std::string&, const std::string&)> m_properties{
        &LessNoCase};
    static bool LessNoCase(const std::string& a, const std::string& b);
};

// Registers a class by name with its base class's name ("" for a root). Registering twice returns the
// existing entry. Classes that cannot be created from a layout (abstract) pass a null factory.
TClassInfo& RegisterClass(const std::string& name, const std::string& baseName, TComponentFactory factory);
template <class T> TClassInfo& RegisterClass(const std::string& name, const std::string& baseName) {
    return RegisterClass(name, baseName, [](TComponent* owner) -> TComponent* { return New<T>(owner); });
}
const TClassInfo* FindClass(const std::string& name);
// Registers the toolkit's own controls (done by the reader on first use).
void RegisterStandardClasses();

// Reads a layout into root: the top object describes root itself (its class must be root's class, or
// a class registered for it); nested objects are created owned by root, parented to the enclosing
// object, with their properties assigned in stored order. The loading state holds throughout, then
// every component read gets Loaded(), root first. Errors throw EReadError "file(line): message".
void ReadForm(TComponent& root, const std::string& text, const std::string& fileName);

} // namespace tk
