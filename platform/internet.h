// WinINet primitives.
#pragma once

#include <cstdint>

#include "platform/types.h"
#include "platform/unique_any.h"

namespace plat {

using HINTERNET = HANDLE;

constexpr DWORD kInternetOpenTypePreconfig = 0;
constexpr DWORD kInternetOptionConnectTimeout = 2;
constexpr DWORD kInternetServiceHttp = 3;
constexpr WORD kInternetDefaultHttpPort = 80;
constexpr DWORD kInternetFlagExistingConnect = 0x20000000;
constexpr DWORD kInternetFlagNoAutoRedirect = 0x00200000;
constexpr DWORD kInternetFlagNeedFile = 0x00000010;

class Internet {
  public:
    virtual ~Internet() = default;
    // The user agent is the application's name, which comes from its file name: UTF-16. No
    // proxy or bypass list is named: the access type says where they come from.
    virtual HINTERNET InternetOpenW(const char16_t* agent, DWORD access_type, DWORD flags) = 0;
    virtual BOOL InternetSetOptionExA(HINTERNET internet, DWORD option, void* buffer, DWORD length,
                                      DWORD flags) = 0;
    virtual HINTERNET InternetConnectA(HINTERNET internet, const char* server, WORD port,
                                       const char* user, const char* password, DWORD service,
                                       DWORD flags, std::uintptr_t context) = 0;
    virtual HINTERNET HttpOpenRequestA(HINTERNET connect, const char* verb, const char* object,
                                       const char* version, const char* referrer,
                                       const char** accept_types, DWORD flags,
                                       std::uintptr_t context) = 0;
    virtual BOOL HttpSendRequestA(HINTERNET request, const char* headers, DWORD headers_length,
                                  void* optional, DWORD optional_length) = 0;
    virtual BOOL InternetReadFile(HINTERNET file, void* buffer, DWORD to_read, DWORD* read) = 0;
    virtual BOOL InternetCloseHandle(HINTERNET internet) = 0;
};

using UniqueInternetHandle = UniqueAny<Internet, HINTERNET, &Internet::InternetCloseHandle>;

}  // namespace plat
