#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// windows.h first: the firewall's and the shell's headers build on it.
#include <netfw.h>
#include <shellapi.h>

#include "platform/firewall.h"
#include "platform/utf8.h"

namespace veltrana {

namespace {

// A COM pointer released when it goes.
template <typename T>
class Com {
public:
    Com() = default;
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    ~Com() {
        if (p_) {
            p_->Release();
        }
    }
    T* operator->() const { return p_; }
    T** out() { return &p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

std::string text(BSTR value) {
    return value ? utf8Text(std::filesystem::path(std::wstring(value, SysStringLen(value)))) : "";
}

// A string property of a rule, freed after it is read.
template <typename Get>
std::string property(Get get) {
    BSTR value = nullptr;
    std::string result = SUCCEEDED(get(&value)) ? text(value) : "";
    SysFreeString(value);
    return result;
}

FirewallRule ruleOf(INetFwRule& rule) {
    FirewallRule read;
    read.program = property([&](BSTR* v) { return rule.get_ApplicationName(v); });
    read.localPorts = property([&](BSTR* v) { return rule.get_LocalPorts(v); });
    NET_FW_RULE_DIRECTION direction = NET_FW_RULE_DIR_OUT;
    NET_FW_ACTION action = NET_FW_ACTION_ALLOW;
    VARIANT_BOOL enabled = VARIANT_FALSE;
    long profiles = 0;
    read.inbound = SUCCEEDED(rule.get_Direction(&direction)) && direction == NET_FW_RULE_DIR_IN;
    read.allows = SUCCEEDED(rule.get_Action(&action)) && action == NET_FW_ACTION_ALLOW;
    read.enabled = SUCCEEDED(rule.get_Enabled(&enabled)) && enabled != VARIANT_FALSE;
    read.profiles = SUCCEEDED(rule.get_Profiles(&profiles)) ? static_cast<unsigned>(profiles) : 0;
    return read;
}

std::vector<FirewallRule> rulesOf(INetFwPolicy2& policy) {
    std::vector<FirewallRule> rules;
    Com<INetFwRules> all;
    Com<IUnknown> enumerator;
    Com<IEnumVARIANT> each;
    if (FAILED(policy.get_Rules(all.out())) || FAILED(all->get__NewEnum(enumerator.out())) ||
        FAILED(enumerator->QueryInterface(__uuidof(IEnumVARIANT),
                                          reinterpret_cast<void**>(each.out())))) {
        return rules;
    }
    VARIANT item;
    VariantInit(&item);
    while (each->Next(1, &item, nullptr) == S_OK) {
        Com<INetFwRule> rule;
        if (item.vt == VT_DISPATCH && item.pdispVal &&
            SUCCEEDED(item.pdispVal->QueryInterface(__uuidof(INetFwRule),
                                                    reinterpret_cast<void**>(rule.out())))) {
            rules.push_back(ruleOf(*rule.operator->()));
        }
        VariantClear(&item);
    }
    return rules;
}

class WindowsFirewall final : public Firewall {
public:
    // The dialog reads the firewall on the window's thread, where Qt has made COM apartment
    // threaded already; a thread without COM gets it here.
    WindowsFirewall()
        : initialized_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~WindowsFirewall() override {
        if (initialized_) {
            CoUninitialize();
        }
    }

    FirewallState state(const std::string& program, int port) override {
        Com<INetFwPolicy2> policy;
        long types = 0;
        if (FAILED(CoCreateInstance(__uuidof(NetFwPolicy2), nullptr, CLSCTX_INPROC_SERVER,
                                    __uuidof(INetFwPolicy2),
                                    reinterpret_cast<void**>(policy.out()))) ||
            FAILED(policy->get_CurrentProfileTypes(&types))) {
            return {};  // the firewall service is off or gone: nothing to read
        }
        std::vector<FirewallProfile> current;
        for (auto type :
             {NET_FW_PROFILE2_DOMAIN, NET_FW_PROFILE2_PRIVATE, NET_FW_PROFILE2_PUBLIC}) {
            if ((types & type) == 0) {
                continue;
            }
            VARIANT_BOOL enabled = VARIANT_FALSE;
            VARIANT_BOOL blockAll = VARIANT_FALSE;
            NET_FW_ACTION unlisted = NET_FW_ACTION_ALLOW;
            policy->get_FirewallEnabled(type, &enabled);
            policy->get_BlockAllInboundTraffic(type, &blockAll);
            policy->get_DefaultInboundAction(type, &unlisted);
            current.push_back({static_cast<unsigned>(type), enabled != VARIANT_FALSE,
                               blockAll != VARIANT_FALSE, unlisted == NET_FW_ACTION_BLOCK});
        }
        return firewallState(current, rulesOf(*policy.operator->()), program, port);
    }

    bool runAsAdministrator(const std::string& commandLine) override {
        wchar_t system[MAX_PATH];
        const UINT length = GetSystemDirectoryW(system, MAX_PATH);
        if (length == 0 || length >= MAX_PATH) {
            return false;
        }
        const std::wstring interpreter = std::wstring(system, length) + L"\\cmd.exe";
        const std::wstring parameters = L"/c " + utf8Path(commandLine).wstring();
        SHELLEXECUTEINFOW run{};
        run.cbSize = sizeof run;
        run.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC;
        run.lpVerb = L"runas";
        run.lpFile = interpreter.c_str();
        run.lpParameters = parameters.c_str();
        run.nShow = SW_HIDE;
        if (!ShellExecuteExW(&run)) {
            return false;  // also when the teacher said no to the system's question
        }
        DWORD exitCode = 1;
        if (run.hProcess) {
            // netsh takes a moment; the firewall is read again after it.
            WaitForSingleObject(run.hProcess, 30000);
            GetExitCodeProcess(run.hProcess, &exitCode);
            CloseHandle(run.hProcess);
        }
        return exitCode == 0;
    }

private:
    const bool initialized_;
};

}  // namespace

std::unique_ptr<Firewall> systemFirewall() {
    return std::make_unique<WindowsFirewall>();
}

}  // namespace veltrana
