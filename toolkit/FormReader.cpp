#include "toolkit/FormReader.h"

#include "toolkit/Forms.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <mutex>

namespace tk {

// ================================================================== registry

namespace {
struct Registry {
    std::recursive_mutex mutex;
    std::map<std::string, std::unique_ptr<TClassInfo>, bool (*)(const std::string&, const std::string&)>
        classes{[](const std::string& a, const std::string& b) {
            return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
                return std::tolower(static_cast<unsigned char>(x)) <
                       std::tolower(static_cast<unsigned char>(y));
            });
        }};
};
Registry& Classes() {
    static Registry registry;
    return registry;
}
} // namespace

bool TClassInfo::LessNoCase(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
    });
}

bool TClassInfo::InheritsFrom(const std::string& className) const {
    for (const TClassInfo* c = this; c; c = c->m_base)
        if (SameText(c->m_name, className)) return true;
    return false;
}

TComponent* TClassInfo::Create(TComponent* owner) const {
    if (!m_factory) throw EComponentError("Class " + m_name + " cannot be created");
    return m_factory(owner);
}

TClassInfo& TClassInfo::Property(const std::string& name, TPropertySetter setter) {
    m_properties[name] = std::move(setter);
    return *this;
}

const TPropertySetter* TClassInfo::FindProperty(const std::string& name) const {
    for (const TClassInfo* c = this; c; c = c->m_base) {
        auto it = c->m_properties.find(name);
        if (it != c->m_properties.end()) return &it->second;
    }
    return nullptr;
}

TClassInfo& TClassInfo::Ignored(const std::string& name) {
    return Property(name, [](TComponent&, const TValue&, TLoadContext&) {});
}

TNotifyEvent TClassInfo::NotifyHandler(const TLoadContext& x, const TValue& v) {
    const std::string& name = x.Ident(v);
    const TNotifyEvent* handler = x.RootForm(v.line).FindMethod(name);
    if (!handler) x.Fail(v.line, "Unknown event handler '" + name + "'");
    return *handler;
}

TClassInfo& RegisterClass(const std::string& name, const std::string& baseName, TComponentFactory factory) {
    auto& reg = Classes();
    std::lock_guard lock(reg.mutex);
    auto it = reg.classes.find(name);
    if (it != reg.classes.end()) return *it->second;
    const TClassInfo* base = nullptr;
    if (!baseName.empty()) {
        auto b = reg.classes.find(baseName);
        if (b == reg.classes.end()) {
            // A class of another library built on a toolkit class registered before the toolkit's own.
            RegisterStandardClasses();
            b = reg.classes.find(baseName);
        }
        if (b == reg.classes.end())
            throw EComponentError("RegisterClass " + name + ": base class " + baseName +
                                  " is not registered");
        base = b->second.get();
    }
    auto info = std::make_unique<TClassInfo>(name, base, std::move(factory));
    TClassInfo& ref = *info;
    reg.classes.emplace(name, std::move(info));
    return ref;
}

const TClassInfo* FindClass(const std::string& name) {
    RegisterStandardClasses();
    auto& reg = Classes();
    std::lock_guard lock(reg.mutex);
    auto it = reg.classes.find(name);
    return it == reg.classes.end() ? nullptr : it->second.get();
}

// ================================================================== load context

void TLoadContext::Fail(int line, const std::string& message) const {
    throw EReadError(m_file + "(" + std::to_string(line) + "): " + message);
}

void TLoadContext::RunFixups() {
    auto fixups = std::move(m_fixups);
    m_fixups.clear();
    for (auto& f : fixups)
        f();
}

static const char* KindName(TValue::Kind k) {
    switch (k) {
    case TValue::Integer:
        return "an integer";
    case TValue::Float:
        return "a number";
    case TValue::String:
        return "a string";
    case TValue::Ident:
        return "an identifier";
    case TValue::Boolean:
        return "a boolean";
    case TValue::Set:
        return "a set";
    case TValue::List:
        return "a list";
    case TValue::Binary:
        return "binary data";
    case TValue::Items:
        return "a collection";
    }
    return "a value";
}

int TLoadContext::Int(const TValue& v) const {
    if (v.kind != TValue::Integer) Fail(v.line, std::string("Integer expected, found ") + KindName(v.kind));
    if (v.integer < INT32_MIN || v.integer > UINT32_MAX) Fail(v.line, "Integer out of range");
    return static_cast<int>(static_cast<std::int64_t>(v.integer));
}

double TLoadContext::Real(const TValue& v) const {
    if (v.kind == TValue::Integer) return static_cast<double>(v.integer);
    if (v.kind != TValue::Float) Fail(v.line, std::string("Number expected, found ") + KindName(v.kind));
    return v.real;
}

bool TLoadContext::Bool(const TValue& v) const {
    if (v.kind != TValue::Boolean)
        Fail(v.line, std::string("True or False expected, found ") + KindName(v.kind));
    return v.integer != 0;
}

const std::string& TLoadContext::Str(const TValue& v) const {
    if (v.kind != TValue::String) Fail(v.line, std::string("String expected, found ") + KindName(v.kind));
    return v.text;
}

const std::string& TLoadContext::Ident(const TValue& v) const {
    if (v.kind != TValue::Ident) Fail(v.line, std::string("Identifier expected, found ") + KindName(v.kind));
    return v.text;
}

TColor TLoadContext::Color(const TValue& v) const {
    if (v.kind == TValue::Integer) return static_cast<TColor>(static_cast<std::int64_t>(v.integer));
    if (v.kind != TValue::Ident) Fail(v.line, std::string("Colour expected, found ") + KindName(v.kind));
    static const std::pair<const char*, TColor> names[] = {
        {"clScrollBar", clScrollBar},
        {"clBackground", clBackground},
        {"clActiveCaption", clActiveCaption},
        {"clInactiveCaption", clInactiveCaption},
        {"clMenu", clMenu},
        {"clWindow", clWindow},
        {"clWindowFrame", clWindowFrame},
        {"clMenuText", clMenuText},
        {"clWindowText", clWindowText},
        {"clCaptionText", clCaptionText},
        {"clActiveBorder", clActiveBorder},
        {"clInactiveBorder", clInactiveBorder},
        {"clAppWorkSpace", clAppWorkSpace},
        {"clHighlight", clHighlight},
        {"clHighlightText", clHighlightText},
        {"clBtnFace", clBtnFace},
        {"clBtnShadow", clBtnShadow},
        {"clGrayText", clGrayText},
        {"clBtnText", clBtnText},
        {"clInactiveCaptionText", clInactiveCaptionText},
        {"clBtnHighlight", clBtnHighlight},
        {"cl3DDkShadow", cl3DDkShadow},
        {"cl3DLight", cl3DLight},
        {"clInfoText", clInfoText},
        {"clInfoBk", clInfoBk},
        {"clBlack", clBlack},
        {"clMaroon", clMaroon},
        {"clGreen", clGreen},
        {"clOlive", clOlive},
        {"clNavy", clNavy},
        {"clPurple", clPurple},
        {"clTeal", clTeal},
        {"clGray", clGray},
        {"clSilver", clSilver},
        {"clRed", clRed},
        {"clLime", clLime},
        {"clYellow", clYellow},
        {"clBlue", clBlue},
        {"clFuchsia", clFuchsia},
        {"clAqua", clAqua},
        {"clWhite", clWhite},
        {"clNone", clNone},
    };
    for (const auto& [name, color] : names)
        if (SameText(name, v.text)) return color;
    Fail(v.line, "Unknown colour '" + v.text + "'");
}

int TLoadContext::Enum(const TValue& v, const std::map<std::string, int>& names) const {
    const std::string& id = Ident(v);
    for (const auto& [name, value] : names)
        if (SameText(name, id)) return value;
    Fail(v.line, "Invalid value '" + id + "'");
}

unsigned TLoadContext::SetOf(const TValue& v, const std::map<std::string, unsigned>& names) const {
    if (v.kind != TValue::Set) Fail(v.line, std::string("Set expected, found ") + KindName(v.kind));
    unsigned bits = 0;
    for (const std::string& member : v.items) {
        bool found = false;
        for (const auto& [name, value] : names)
            if (SameText(name, member)) {
                bits |= value;
                found = true;
            }
        if (!found) Fail(v.line, "Invalid set member '" + member + "'");
    }
    return bits;
}

const std::vector<std::string>& TLoadContext::Strings(const TValue& v) const {
    if (v.kind != TValue::List) Fail(v.line, std::string("String list expected, found ") + KindName(v.kind));
    return v.items;
}

TComponent& TLoadContext::Component(const TValue& v) const {
    const std::string& name = Ident(v);
    if (SameText(name, m_root.Name())) return m_root;
    TComponent* c = m_root.FindComponent(name);
    if (!c) Fail(v.line, "Unknown component '" + name + "'");
    return *c;
}

TForm& TLoadContext::RootForm(int line) const {
    auto* form = dynamic_cast<TForm*>(&m_root);
    if (!form) Fail(line, "Event handlers need a form as the root");
    return *form;
}

// ================================================================== lexer and parser

namespace {

struct Token {
    enum Kind { End, Ident, Integer, Float, String, Symbol, Hex } kind{End};
    std::string text;
    long long integer{};
    double real{};
    int line{1};
};

void AppendUtf8(std::string& out, unsigned code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

class Lexer {
public:
    Lexer(const std::string& text, const TLoadContext& ctx) : m_s(text), m_ctx(ctx) {}

    Token Next() {
        SkipSpace();
        Token t;
        t.line = m_line;
        if (m_i >= m_s.size()) return t;
        char c = m_s[m_i];
        if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
            std::size_t start = m_i;
            while (m_i < m_s.size() &&
                   (std::isalnum(static_cast<unsigned char>(m_s[m_i])) || m_s[m_i] == '_' || m_s[m_i] == '.'))
                ++m_i;
            t.kind = Token::Ident;
            t.text = m_s.substr(start, m_i - start);
            return t;
        }
        if (std::isdigit(static_cast<unsigned char>(c)) ||
            ((c == '-' || c == '+') && m_i + 1 < m_s.size() &&
             (std::isdigit(static_cast<unsigned char>(m_s[m_i + 1])) || m_s[m_i + 1] == '$'))) {
            return Number(t);
        }
        if (c == '$') return Number(t);
        if (c == '\'' || c == '#') {
            t.kind = Token::String;
            t.text = StringPart(t.line);
            return t;
        }
        if (c == '{') {
            ++m_i;
            t.kind = Token::Hex;
            while (m_i < m_s.size() && m_s[m_i] != '}') {
                char h = m_s[m_i];
                if (h == '\n') ++m_line;
                if (std::isxdigit(static_cast<unsigned char>(h)))
                    t.text += h;
                else if (!std::isspace(static_cast<unsigned char>(h)))
                    m_ctx.Fail(m_line, "Invalid binary data");
                ++m_i;
            }
            if (m_i >= m_s.size()) m_ctx.Fail(t.line, "Unterminated binary data");
            ++m_i;
            if (t.text.size() % 2) m_ctx.Fail(t.line, "Odd number of hex digits in binary data");
            return t;
        }
        t.kind = Token::Symbol;
        t.text = std::string(1, c);
        ++m_i;
        return t;
    }

    int Line() const { return m_line; }

private:
    void SkipSpace() {
        while (m_i < m_s.size()) {
            char c = m_s[m_i];
            if (c == '\n') {
                ++m_line;
                ++m_i;
            } else if (std::isspace(static_cast<unsigned char>(c))) {
                ++m_i;
            } else if (c == '/' && m_i + 1 < m_s.size() && m_s[m_i + 1] == '/') {
                while (m_i < m_s.size() && m_s[m_i] != '\n')
                    ++m_i;
            } else {
                break;
            }
        }
    }

    Token Number(Token t) {
        std::size_t start = m_i;
        bool negative = false;
        if (m_s[m_i] == '-' || m_s[m_i] == '+') negative = m_s[m_i++] == '-';
        if (m_i < m_s.size() && m_s[m_i] == '$') {
            ++m_i;
            std::size_t digits = m_i;
            while (m_i < m_s.size() && std::isxdigit(static_cast<unsigned char>(m_s[m_i])))
                ++m_i;
            if (m_i == digits || m_i - digits > 16) m_ctx.Fail(t.line, "Invalid hexadecimal number");
            t.kind = Token::Integer;
            t.integer = static_cast<long long>(std::stoull(m_s.substr(digits, m_i - digits), nullptr, 16));
            if (negative) t.integer = -t.integer;
            return t;
        }
        while (m_i < m_s.size() && std::isdigit(static_cast<unsigned char>(m_s[m_i])))
            ++m_i;
        bool isFloat = false;
        if (m_i + 1 < m_s.size() && m_s[m_i] == '.' &&
            std::isdigit(static_cast<unsigned char>(m_s[m_i + 1]))) {
            isFloat = true;
            ++m_i;
            while (m_i < m_s.size() && std::isdigit(static_cast<unsigned char>(m_s[m_i])))
                ++m_i;
        }
        if (m_i < m_s.size() && (std::isalpha(static_cast<unsigned char>(m_s[m_i])) || m_s[m_i] == '_'))
            m_ctx.Fail(t.line, "Invalid number '" + m_s.substr(start, m_i - start + 1) + "'");
        std::string text = m_s.substr(start, m_i - start);
        if (isFloat) {
            t.kind = Token::Float;
            t.real = std::stod(text);
        } else {
            t.kind = Token::Integer;
            if (text.size() > 19) m_ctx.Fail(t.line, "Integer out of range");
            t.integer = std::stoll(text);
        }
        return t;
    }

    // A run of 'quoted' parts and #code characters without space between them.
    std::string StringPart(int line) {
        std::string out;
        while (m_i < m_s.size()) {
            if (m_s[m_i] == '\'') {
                ++m_i;
                for (;;) {
                    if (m_i >= m_s.size() || m_s[m_i] == '\n') m_ctx.Fail(line, "Unterminated string");
                    if (m_s[m_i] == '\'') {
                        if (m_i + 1 < m_s.size() && m_s[m_i + 1] == '\'') {
                            out += '\'';
                            m_i += 2;
                            continue;
                        }
                        ++m_i;
                        break;
                    }
                    out += m_s[m_i++];
                }
            } else if (m_s[m_i] == '#') {
                ++m_i;
                std::size_t start = m_i;
                while (m_i < m_s.size() && std::isdigit(static_cast<unsigned char>(m_s[m_i])))
                    ++m_i;
                if (m_i == start || m_i - start > 5) m_ctx.Fail(line, "Invalid character code");
                unsigned code = static_cast<unsigned>(std::stoul(m_s.substr(start, m_i - start)));
                if (code > 0xFFFF) m_ctx.Fail(line, "Invalid character code");
                // Codes are Latin-1 (the code page's letters), stored here as UTF-8.
                AppendUtf8(out, code);
            } else {
                break;
            }
        }
        return out;
    }

    const std::string& m_s;
    const TLoadContext& m_ctx;
    std::size_t m_i{};
    int m_line{1};
};

struct PropNode {
    std::string name;
    TValue value;
    int line{};
};

struct ObjectNode {
    std::string name;
    std::string className;
    int line{};
    std::vector<PropNode> props;
    std::vector<ObjectNode> children;
};

class Parser {
public:
    Parser(const std::string& text, const TLoadContext& ctx) : m_lex(text, ctx), m_ctx(ctx) { Advance(); }

    ObjectNode Root() {
        ObjectNode root = Object();
        if (m_tok.kind != Token::End) m_ctx.Fail(m_tok.line, "Text after the final 'end'");
        return root;
    }

private:
    void Advance() { m_tok = m_lex.Next(); }
    bool IsWord(const char* w) const { return m_tok.kind == Token::Ident && SameText(m_tok.text, w); }
    bool IsSymbol(char c) const { return m_tok.kind == Token::Symbol && m_tok.text[0] == c; }
    void Expect(char c, const char* what) {
        if (!IsSymbol(c)) m_ctx.Fail(m_tok.line, std::string("'") + c + "' expected " + what);
        Advance();
    }

    ObjectNode Object() {
        if (!(IsWord("object") || IsWord("inherited") || IsWord("inline")))
            m_ctx.Fail(m_tok.line, "'object' expected");
        ObjectNode node;
        node.line = m_tok.line;
        Advance();
        if (m_tok.kind != Token::Ident) m_ctx.Fail(m_tok.line, "Component name expected");
        std::string first = m_tok.text;
        Advance();
        if (IsSymbol(':')) {
            Advance();
            if (m_tok.kind != Token::Ident) m_ctx.Fail(m_tok.line, "Class name expected");
            node.name = first;
            node.className = m_tok.text;
            Advance();
        } else {
            node.className = first; // an unnamed object
        }
        if (node.name.find('.') != std::string::npos)
            m_ctx.Fail(node.line, "Invalid component name '" + node.name + "'");
        for (;;) {
            if (m_tok.kind == Token::End) m_ctx.Fail(node.line, "'end' missing for object " + node.name);
            if (IsWord("end")) {
                Advance();
                return node;
            }
            if (IsWord("object") || IsWord("inherited") || IsWord("inline")) {
                node.children.push_back(Object());
                continue;
            }
            if (m_tok.kind != Token::Ident) m_ctx.Fail(m_tok.line, "Property name expected");
            PropNode prop;
            prop.name = m_tok.text;
            prop.line = m_tok.line;
            Advance();
            Expect('=', "after the property name");
            prop.value = Value();
            node.props.push_back(std::move(prop));
        }
    }

    TValue Value() {
        TValue v;
        v.line = m_tok.line;
        switch (m_tok.kind) {
        case Token::Integer:
            v.kind = TValue::Integer;
            v.integer = m_tok.integer;
            Advance();
            return v;
        case Token::Float:
            v.kind = TValue::Float;
            v.real = m_tok.real;
            Advance();
            return v;
        case Token::String:
            v.kind = TValue::String;
            v.text = m_tok.text;
            Advance();
            while (IsSymbol('+')) {
                Advance();
                if (m_tok.kind != Token::String) m_ctx.Fail(m_tok.line, "String expected after '+'");
                v.text += m_tok.text;
                Advance();
            }
            return v;
        case Token::Ident:
            if (SameText(m_tok.text, "True") || SameText(m_tok.text, "False")) {
                v.kind = TValue::Boolean;
                v.integer = SameText(m_tok.text, "True") ? 1 : 0;
            } else {
                v.kind = TValue::Ident;
                v.text = m_tok.text;
            }
            Advance();
            return v;
        case Token::Hex:
            v.kind = TValue::Binary;
            for (std::size_t i = 0; i + 1 < m_tok.text.size(); i += 2)
                v.bytes.push_back(
                    static_cast<std::uint8_t>(std::stoul(m_tok.text.substr(i, 2), nullptr, 16)));
            Advance();
            return v;
        case Token::Symbol:
            if (IsSymbol('[')) {
                v.kind = TValue::Set;
                Advance();
                while (!IsSymbol(']')) {
                    if (m_tok.kind != Token::Ident) m_ctx.Fail(m_tok.line, "Set member expected");
                    v.items.push_back(m_tok.text);
                    Advance();
                    if (IsSymbol(','))
                        Advance();
                    else if (!IsSymbol(']'))
                        m_ctx.Fail(m_tok.line, "',' or ']' expected in set");
                }
                Advance();
                return v;
            }
            if (IsSymbol('(')) {
                v.kind = TValue::List;
                Advance();
                while (!IsSymbol(')')) {
                    if (m_tok.kind == Token::End) m_ctx.Fail(v.line, "')' missing");
                    TValue item = Value();
                    if (item.kind != TValue::String)
                        m_ctx.Fail(item.line, "Only strings are allowed in a list");
                    v.items.push_back(item.text);
                }
                Advance();
                return v;
            }
            if (IsSymbol('<')) {
                // Collections: kept as their item count; no toolkit class stores one.
                v.kind = TValue::Items;
                Advance();
                while (!IsSymbol('>')) {
                    if (m_tok.kind == Token::End) m_ctx.Fail(v.line, "'>' missing");
                    Advance();
                }
                Advance();
                return v;
            }
            m_ctx.Fail(m_tok.line, "Invalid value '" + m_tok.text + "'");
        case Token::End:
            break;
        }
        m_ctx.Fail(m_tok.line, "Value expected");
    }

    Lexer m_lex;
    const TLoadContext& m_ctx;
    Token m_tok;
};

const TClassInfo* ClassOfRoot(TComponent& root) {
    if (const TClassInfo* info = FindClass(root.ClassName())) return info;
    if (dynamic_cast<TForm*>(&root)) return FindClass("TForm");
    if (dynamic_cast<TWinControl*>(&root)) return FindClass("TWinControl");
    if (dynamic_cast<TControl*>(&root)) return FindClass("TControl");
    return FindClass("TComponent");
}

class Applier {
public:
    Applier(TComponent& root, TLoadContext& ctx) : m_root(root), m_ctx(ctx) {}

    void Run(const ObjectNode& node) {
        m_root.BeginLoading();
        m_loaded.push_back(&m_root);
        try {
            if (m_root.Name().empty() && !node.name.empty()) SetName(m_root, node.name, node.line);
            Props(m_root, *ClassOfRoot(m_root), node);
            for (const ObjectNode& child : node.children)
                Create(child, &m_root);
            m_ctx.RunFixups();
        } catch (...) {
            for (TComponent* c : m_loaded)
                c->EndLoading();
            throw;
        }
        for (TComponent* c : m_loaded)
            c->EndReading();
        for (TComponent* c : m_loaded)
            c->Loaded();
    }

private:
    void SetName(TComponent& c, const std::string& name, int line) {
        try {
            c.SetName(name);
        } catch (const EComponentError& e) {
            m_ctx.Fail(line, e.what());
        }
    }

    void Create(const ObjectNode& node, TComponent* parent) {
        const TClassInfo* info = FindClass(node.className);
        if (!info) m_ctx.Fail(node.line, "Unknown class " + node.className);
        if (!info->CanCreate()) m_ctx.Fail(node.line, "Class " + node.className + " cannot be created");
        if (!node.name.empty() && m_root.FindComponent(node.name))
            m_ctx.Fail(node.line, "A component named " + node.name + " already exists");
        TComponent* c = info->Create(&m_root);
        c->BeginLoading();
        m_loaded.push_back(c);
        SetName(*c, node.name, node.line);
        if (!c->SetParentComponent(parent) && dynamic_cast<TControl*>(c))
            m_ctx.Fail(node.line, node.className + " cannot be placed in " + parent->ClassName());
        Props(*c, *info, node);
        for (const ObjectNode& child : node.children)
            Create(child, c);
    }

    void Props(TComponent& c, const TClassInfo& info, const ObjectNode& node) {
        for (const PropNode& p : node.props) {
            const TPropertySetter* setter = info.FindProperty(p.name);
            if (!setter) m_ctx.Fail(p.line, "Unknown property " + p.name + " of " + info.Name());
            try {
                (*setter)(c, p.value, m_ctx);
            } catch (const EReadError&) {
                throw;
            } catch (const std::exception& e) {
                m_ctx.Fail(p.line, "Invalid value for " + p.name + ": " + e.what());
            }
        }
    }

    TComponent& m_root;
    TLoadContext& m_ctx;
    std::vector<TComponent*> m_loaded;
};

} // namespace

void ReadForm(TComponent& root, const std::string& text, const std::string& fileName) {
    RegisterStandardClasses();
    TLoadContext ctx(root, fileName);
    Parser parser(text, ctx);
    ObjectNode tree = parser.Root();
    Applier(root, ctx).Run(tree);
}

} // namespace tk
