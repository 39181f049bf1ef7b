#include "registry_script.h"

#include <cwctype>
#include <memory>

namespace velmor_atl {

namespace {

enum class KeyFlag { eNone, eNoRemove, eForceRemove, eDelete };

struct ValueEntry {
    std::wstring name;  // empty: the key's default value
    DWORD type = REG_SZ;
    std::wstring text;
    DWORD number = 0;
};

struct KeyEntry {
    std::wstring name;
    KeyFlag flag = KeyFlag::eNone;
    std::vector<ValueEntry> values;
    std::vector<KeyEntry> keys;
};

struct RootEntry {
    HKEY root = nullptr;
    KeyEntry body;  // its name is empty: the root itself
};

std::wstring lower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

// The text of the replacement that starts at script[i] ('%'); `i` moves past its closing
// '%'. "%%" is one percent sign. False for a key that the map lacks.
bool replacement(const std::wstring& script, size_t* i, const Replacements& replacements,
                 std::wstring* value) {
    const size_t end = script.find(L'%', *i + 1);
    if (end == std::wstring::npos) return false;
    const std::wstring key = lower(script.substr(*i + 1, end - *i - 1));
    *i = end + 1;
    if (key.empty()) {
        *value = L"%";
        return true;
    }
    for (const auto& r : replacements) {
        if (lower(r.first) == key) {
            *value = r.second;
            return true;
        }
    }
    return false;
}

struct Token {
    std::wstring text;
    bool quoted = false;
    bool is(const wchar_t* word) const { return !quoted && lower(text) == lower(word); }
};

bool is_delimiter(wchar_t c) {
    return std::iswspace(c) || c == L'{' || c == L'}' || c == L'=' || c == L'\'';
}

// A quoted text: replacements inside it are read as part of it, so a quote they bring must
// be doubled, as in the script itself.
bool quoted_token(const std::wstring& script, size_t* i, const Replacements& replacements,
                  Token* token) {
    std::wstring raw;
    ++*i;
    for (;;) {
        if (*i >= script.size()) return false;
        const wchar_t c = script[*i];
        if (c == L'%') {
            std::wstring value;
            if (!replacement(script, i, replacements, &value)) return false;
            raw += value;
            continue;
        }
        if (c == L'\'') {
            if (*i + 1 < script.size() && script[*i + 1] == L'\'') {
                raw += L"''";
                *i += 2;
                continue;
            }
            ++*i;
            break;
        }
        raw += c;
        ++*i;
    }
    token->quoted = true;
    for (size_t k = 0; k < raw.size(); ++k) {
        token->text += raw[k];
        if (raw[k] == L'\'' && k + 1 < raw.size() && raw[k + 1] == L'\'') ++k;
    }
    return true;
}

// Replacements in a bare word are taken as they are (a CLSID brings its braces).
bool tokenize(const std::wstring& script, const Replacements& replacements,
              std::vector<Token>* tokens) {
    size_t i = 0;
    while (i < script.size()) {
        const wchar_t c = script[i];
        if (std::iswspace(c)) {
            ++i;
        } else if (c == L'{' || c == L'}' || c == L'=') {
            tokens->push_back({std::wstring(1, c), false});
            ++i;
        } else if (c == L'\'') {
            Token token;
            if (!quoted_token(script, &i, replacements, &token)) return false;
            tokens->push_back(token);
        } else {
            Token token;
            while (i < script.size() && !is_delimiter(script[i])) {
                if (script[i] == L'%') {
                    std::wstring value;
                    if (!replacement(script, &i, replacements, &value)) return false;
                    token.text += value;
                } else {
                    token.text += script[i++];
                }
            }
            tokens->push_back(token);
        }
    }
    return true;
}

class Parser {
public:
    explicit Parser(const std::vector<Token>& tokens) : m_tokens(tokens) {}

    bool parse(std::vector<RootEntry>* roots) {
        while (m_pos < m_tokens.size()) {
            RootEntry root;
            root.root = rootKey(m_tokens[m_pos++]);
            if (root.root == nullptr || !expect(L"{") || !parseBlock(&root.body)) return false;
            roots->push_back(std::move(root));
        }
        return true;
    }

private:
    static HKEY rootKey(const Token& token) {
        static const struct {
            const wchar_t* shortName;
            const wchar_t* longName;
            HKEY key;
        } kRoots[] = {{L"HKCR", L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
                      {L"HKCU", L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
                      {L"HKLM", L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
                      {L"HKU", L"HKEY_USERS", HKEY_USERS}};
        for (const auto& r : kRoots) {
            if (token.is(r.shortName) || token.is(r.longName)) return r.key;
        }
        return nullptr;
    }

    bool atEnd() const { return m_pos >= m_tokens.size(); }
    bool peekIs(const wchar_t* word) const { return !atEnd() && m_tokens[m_pos].is(word); }
    bool expect(const wchar_t* word) {
        if (!peekIs(word)) return false;
        ++m_pos;
        return true;
    }

    // After "{": entries up to the matching "}".
    bool parseBlock(KeyEntry* key) {
        for (;;) {
            if (atEnd()) return false;
            if (expect(L"}")) return true;
            if (expect(L"val")) {
                if (atEnd()) return false;
                ValueEntry value;
                value.name = m_tokens[m_pos++].text;
                if (!expect(L"=") || !parseValue(&value)) return false;
                key->values.push_back(value);
                continue;
            }
            KeyEntry sub;
            if (expect(L"NoRemove")) {
                sub.flag = KeyFlag::eNoRemove;
            } else if (expect(L"ForceRemove")) {
                sub.flag = KeyFlag::eForceRemove;
            } else if (expect(L"Delete")) {
                sub.flag = KeyFlag::eDelete;
            }
            if (atEnd() || peekIs(L"{") || peekIs(L"}") || peekIs(L"=")) return false;
            sub.name = m_tokens[m_pos++].text;
            if (expect(L"=")) {
                ValueEntry value;
                if (!parseValue(&value)) return false;
                sub.values.push_back(value);
            }
            if (expect(L"{") && !parseBlock(&sub)) return false;
            key->keys.push_back(std::move(sub));
        }
    }

    bool parseValue(ValueEntry* value) {
        if (atEnd()) return false;
        const Token& kind = m_tokens[m_pos++];
        if (atEnd()) return false;
        const Token& data = m_tokens[m_pos++];
        if (kind.is(L"s")) {
            value->type = REG_SZ;
            value->text = data.text;
            return true;
        }
        if (kind.is(L"d")) {
            wchar_t* end = nullptr;
            value->type = REG_DWORD;
            value->number = static_cast<DWORD>(std::wcstoul(data.text.c_str(), &end, 0));
            return end != nullptr && *end == L'\0' && !data.text.empty();
        }
        return false;
    }

    const std::vector<Token>& m_tokens;
    size_t m_pos = 0;
};

HRESULT from_win32(LONG error) { return HRESULT_FROM_WIN32(static_cast<unsigned long>(error)); }

LONG set_value(HKEY key, const ValueEntry& value) {
    const wchar_t* name = value.name.empty() ? nullptr : value.name.c_str();
    if (value.type == REG_DWORD) {
        return RegSetValueExW(key, name, 0, REG_DWORD,
                              reinterpret_cast<const BYTE*>(&value.number), sizeof(DWORD));
    }
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.text.c_str()),
                          static_cast<DWORD>((value.text.size() + 1) * sizeof(wchar_t)));
}

LONG delete_tree(HKEY parent, const std::wstring& name) {
    const LONG result = RegDeleteTreeW(parent, name.c_str());  // the key itself too
    return result == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : result;
}

class KeyHandle {
public:
    KeyHandle() = default;
    ~KeyHandle() {
        if (m_key != nullptr) RegCloseKey(m_key);
    }
    KeyHandle(const KeyHandle&) = delete;
    KeyHandle& operator=(const KeyHandle&) = delete;
    HKEY* put() { return &m_key; }
    HKEY get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

LONG register_block(HKEY key, const KeyEntry& block);

LONG register_key(HKEY parent, const KeyEntry& entry) {
    if (entry.flag == KeyFlag::eDelete) return delete_tree(parent, entry.name);
    if (entry.flag == KeyFlag::eForceRemove) {
        const LONG removed = delete_tree(parent, entry.name);
        if (removed != ERROR_SUCCESS) return removed;
    }
    KeyHandle key;
    LONG result = RegCreateKeyExW(parent, entry.name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, key.put(), nullptr);
    if (result != ERROR_SUCCESS) return result;
    return register_block(key.get(), entry);
}

LONG register_block(HKEY key, const KeyEntry& block) {
    for (const ValueEntry& value : block.values) {
        const LONG result = set_value(key, value);
        if (result != ERROR_SUCCESS) return result;
    }
    for (const KeyEntry& sub : block.keys) {
        const LONG result = register_key(key, sub);
        if (result != ERROR_SUCCESS) return result;
    }
    return ERROR_SUCCESS;
}

LONG unregister_block(HKEY key, const KeyEntry& block);

bool has_subkeys(HKEY key) {
    DWORD count = 0;
    return RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                            nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
           count != 0;
}

// Removes what the script names; keys it did not make (subkeys it does not name) keep their
// parent in place.
LONG unregister_key(HKEY parent, const KeyEntry& entry) {
    if (entry.flag == KeyFlag::eDelete) return ERROR_SUCCESS;
    if (entry.flag == KeyFlag::eForceRemove) return delete_tree(parent, entry.name);
    bool keep = entry.flag == KeyFlag::eNoRemove;
    {
        KeyHandle key;
        LONG result = RegOpenKeyExW(parent, entry.name.c_str(), 0, KEY_ALL_ACCESS, key.put());
        if (result == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
        if (result != ERROR_SUCCESS) return result;
        result = unregister_block(key.get(), entry);
        if (result != ERROR_SUCCESS) return result;
        keep = keep || has_subkeys(key.get());
    }
    if (keep) return ERROR_SUCCESS;
    const LONG result = RegDeleteKeyW(parent, entry.name.c_str());
    return result == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : result;
}

LONG unregister_block(HKEY key, const KeyEntry& block) {
    for (const KeyEntry& sub : block.keys) {
        const LONG result = unregister_key(key, sub);
        if (result != ERROR_SUCCESS) return result;
    }
    return ERROR_SUCCESS;
}

// HKCR { ... } becomes HKCU { NoRemove Software { NoRemove Classes { ... } } }.
void rewrite_per_user(RootEntry* root) {
    if (root->root != HKEY_CLASSES_ROOT) return;
    KeyEntry classes = std::move(root->body);
    classes.name = L"Classes";
    classes.flag = KeyFlag::eNoRemove;
    KeyEntry software;
    software.name = L"Software";
    software.flag = KeyFlag::eNoRemove;
    software.keys.push_back(std::move(classes));
    root->body = KeyEntry();
    root->body.keys.push_back(std::move(software));
    root->root = HKEY_CURRENT_USER;
}

}  // namespace

HRESULT run_registry_script(const std::wstring& script, const Replacements& replacements,
                            ScriptMode mode, bool perUser) {
    std::vector<Token> tokens;
    std::vector<RootEntry> roots;
    if (!tokenize(script, replacements, &tokens) || !Parser(tokens).parse(&roots)) {
        return DISP_E_EXCEPTION;
    }
    for (RootEntry& root : roots) {
        if (perUser) rewrite_per_user(&root);
        const LONG result = mode == ScriptMode::eRegister ? register_block(root.root, root.body)
                                                          : unregister_block(root.root, root.body);
        if (result != ERROR_SUCCESS) return from_win32(result);
    }
    return S_OK;
}

HRESULT load_registry_script(HMODULE module, UINT id, std::wstring* text) {
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), L"REGISTRY");
    if (found == nullptr) return HRESULT_FROM_WIN32(GetLastError());
    HGLOBAL loaded = LoadResource(module, found);
    const DWORD size = SizeofResource(module, found);
    const char* bytes = loaded != nullptr ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (bytes == nullptr) return HRESULT_FROM_WIN32(GetLastError());
    text->clear();
    if (size == 0) return S_OK;
    const int length = MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(size), nullptr, 0);
    if (length <= 0) return HRESULT_FROM_WIN32(GetLastError());
    text->resize(static_cast<size_t>(length));
    MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(size), &(*text)[0], length);
    return S_OK;
}

}  // namespace velmor_atl
