// A pretend WinINet: one session, connection and request, a scripted response body, chosen
// steps that fail (or any call, through a FaultPlan), and every handle tracked from its
// creation until it is closed.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "fakes/fault_plan.h"
#include "platform/internet.h"

namespace fakes {

class FakeInternet : public plat::Internet, public Faultable {
  public:
    using Text = std::optional<std::string>;  // nullopt for a null pointer

    // Knobs.
    bool open_fails = false;
    bool connect_fails = false;
    bool request_fails = false;
    bool send_fails = false;
    int reads_before_failure = -1;  // -1: reads never fail
    std::string body;
    std::size_t largest_read = SIZE_MAX;  // most bytes one read hands out

    // What the calls were given.
    struct OpenArgs {
        Text agent;
        plat::DWORD access_type;
        Text proxy;
        Text proxy_bypass;
        plat::DWORD flags;
    };
    struct OptionArgs {
        plat::HINTERNET handle;
        plat::DWORD option;
        std::vector<plat::BYTE> value;
        plat::DWORD flags;
    };
    struct ConnectArgs {
        plat::HINTERNET session;
        Text server;
        plat::WORD port;
        Text user;
        Text password;
        plat::DWORD service;
        plat::DWORD flags;
        std::uintptr_t context;
    };
    struct RequestArgs {
        plat::HINTERNET connection;
        Text verb;
        Text object;
        Text version;
        Text referrer;
        bool has_accept_types;
        plat::DWORD flags;
        std::uintptr_t context;
    };
    struct SendArgs {
        plat::HINTERNET request;
        bool has_headers;
        plat::DWORD headers_length;
        bool has_optional;
        plat::DWORD optional_length;
    };
    std::vector<std::string> calls;
    std::vector<OpenArgs> opens;
    std::vector<OptionArgs> options;
    std::vector<ConnectArgs> connects;
    std::vector<RequestArgs> requests;
    std::vector<SendArgs> sends;
    std::vector<plat::DWORD> read_sizes;
    std::size_t bytes_handed_out = 0;
    std::vector<plat::HINTERNET> acquired;  // in the order they were handed out
    std::vector<plat::HINTERNET> closed;
    std::set<plat::HINTERNET> open;
    int bad_closes = 0;

    static plat::HINTERNET session() { return reinterpret_cast<plat::HINTERNET>(0x100); }
    static plat::HINTERNET connection() { return reinterpret_cast<plat::HINTERNET>(0x200); }
    static plat::HINTERNET request() { return reinterpret_cast<plat::HINTERNET>(0x300); }

    plat::HINTERNET InternetOpenA(const char* agent, plat::DWORD access_type, const char* proxy,
                                  const char* bypass, plat::DWORD flags) override {
        calls.push_back("InternetOpen");
        opens.push_back({Of(agent), access_type, Of(proxy), Of(bypass), flags});
        if (Injected("InternetOpenA")) return nullptr;
        return open_fails ? nullptr : Track(session());
    }
    plat::BOOL InternetSetOptionExA(plat::HINTERNET handle, plat::DWORD option, void* buffer,
                                    plat::DWORD length, plat::DWORD flags) override {
        calls.push_back("InternetSetOptionEx");
        const auto* bytes = static_cast<const plat::BYTE*>(buffer);
        options.push_back({handle, option, {bytes, bytes + length}, flags});
        if (Injected("InternetSetOptionExA")) return plat::kFalse;
        return open.count(handle) ? plat::kTrue : plat::kFalse;
    }
    plat::HINTERNET InternetConnectA(plat::HINTERNET handle, const char* server, plat::WORD port,
                                     const char* user, const char* password, plat::DWORD service,
                                     plat::DWORD flags, std::uintptr_t context) override {
        calls.push_back("InternetConnect");
        connects.push_back(
            {handle, Of(server), port, Of(user), Of(password), service, flags, context});
        if (Injected("InternetConnectA")) return nullptr;
        if (connect_fails || handle != session() || !open.count(handle)) return nullptr;
        return Track(connection());
    }
    plat::HINTERNET HttpOpenRequestA(plat::HINTERNET handle, const char* verb, const char* object,
                                     const char* version, const char* referrer,
                                     const char** accept_types, plat::DWORD flags,
                                     std::uintptr_t context) override {
        calls.push_back("HttpOpenRequest");
        requests.push_back({handle, Of(verb), Of(object), Of(version), Of(referrer),
                            accept_types != nullptr, flags, context});
        if (Injected("HttpOpenRequestA")) return nullptr;
        if (request_fails || handle != connection() || !open.count(handle)) return nullptr;
        return Track(request());
    }
    plat::BOOL HttpSendRequestA(plat::HINTERNET handle, const char* headers,
                                plat::DWORD headers_length, void* optional,
                                plat::DWORD optional_length) override {
        calls.push_back("HttpSendRequest");
        sends.push_back(
            {handle, headers != nullptr, headers_length, optional != nullptr, optional_length});
        sent_ = !Injected("HttpSendRequestA") && !send_fails && handle == request() &&
                open.count(handle);
        return sent_ ? plat::kTrue : plat::kFalse;
    }
    plat::BOOL InternetReadFile(plat::HINTERNET handle, void* buffer, plat::DWORD to_read,
                                plat::DWORD* read) override {
        calls.push_back("InternetReadFile");
        read_sizes.push_back(to_read);
        *read = 0;
        if (Injected("InternetReadFile")) return plat::kFalse;
        // Like WinINet, nothing can be read from a request that was never sent.
        if (!sent_ || handle != request() || !open.count(handle)) return plat::kFalse;
        if (reads_before_failure >= 0 && read_sizes.size() > std::size_t(reads_before_failure)) {
            return plat::kFalse;
        }
        const std::size_t n = std::min({std::size_t(to_read), largest_read,
                                        body.size() - std::min(body.size(), bytes_handed_out)});
        std::memcpy(buffer, body.data() + bytes_handed_out, n);
        bytes_handed_out += n;
        *read = static_cast<plat::DWORD>(n);
        return plat::kTrue;
    }
    plat::BOOL InternetCloseHandle(plat::HINTERNET handle) override {
        calls.push_back("InternetCloseHandle");
        closed.push_back(handle);
        if (open.erase(handle) == 0) {
            ++bad_closes;
            return plat::kFalse;
        }
        return Injected("InternetCloseHandle") ? plat::kFalse : plat::kTrue;
    }

  private:
    static Text Of(const char* text) { return text ? Text(text) : std::nullopt; }
    plat::HINTERNET Track(plat::HINTERNET handle) {
        acquired.push_back(handle);
        open.insert(handle);
        return handle;
    }
    bool sent_ = false;
};

}  // namespace fakes
