// A pretend spooler: a set of ports behind the XcvMonitor channel, queues and drivers, with
// every handle tracked until it is closed.
#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/spooler.h"

namespace fakes {

class FakeSpooler : public plat::Spooler {
  public:
    std::set<std::u16string> ports;
    std::set<std::string> printers;
    std::set<std::string> drivers;
    bool channel_opens = true;
    bool xcv_call_succeeds = true;

    // What the last XcvDataW call was given.
    struct XcvCall {
        std::u16string command;
        std::vector<plat::BYTE> input;
        plat::DWORD output_size;
    };
    std::vector<XcvCall> xcv_calls;
    std::vector<std::string> calls;
    std::set<plat::PRINTER_HANDLE> open;
    int bad_closes = 0;

    plat::BOOL OpenPrinterA(const char* name, plat::PRINTER_HANDLE* printer,
                            const plat::PrinterDefaults* defaults) override {
        calls.push_back(std::string("OpenPrinter ") + name);
        last_open_access = defaults ? defaults->DesiredAccess : 0;
        open_accesses.push_back(last_open_access);
        const bool channel = std::strcmp(name, ",XcvMonitor Local Port") == 0;
        if (channel ? !channel_opens : printers.count(name) == 0) return plat::kFalse;
        *printer = Track(name);
        return plat::kTrue;
    }
    plat::BOOL ClosePrinter(plat::PRINTER_HANDLE printer) override {
        calls.push_back("ClosePrinter");
        auto it = names_.find(printer);
        if (it == names_.end() || open.erase(printer) == 0) {
            ++bad_closes;
            return plat::kFalse;
        }
        if (pending_delete_.erase(it->second)) printers.erase(it->second);
        return plat::kTrue;
    }
    plat::PRINTER_HANDLE AddPrinterA(const char*, plat::DWORD, plat::BYTE* info) override {
        const auto* record = reinterpret_cast<const plat::PrinterInfo2*>(info);
        calls.push_back(std::string("AddPrinter ") + record->pPrinterName);
        if (printers.count(record->pPrinterName) != 0) {
            last_error = plat::kErrorPrinterAlreadyExists;
            return nullptr;
        }
        printers.insert(record->pPrinterName);
        return Track(record->pPrinterName);
    }
    plat::BOOL DeletePrinter(plat::PRINTER_HANDLE printer) override {
        calls.push_back("DeletePrinter");
        if (!delete_printer_succeeds) return plat::kFalse;
        pending_delete_.insert(names_[printer]);
        return plat::kTrue;
    }
    plat::BOOL DeletePrinterDriverA(const char*, const char*, const char* driver) override {
        calls.push_back(std::string("DeletePrinterDriver ") + driver);
        return drivers.erase(driver) == 1 ? plat::kTrue : plat::kFalse;
    }
    plat::BOOL GetPrinterA(plat::PRINTER_HANDLE, plat::DWORD, plat::BYTE*, plat::DWORD,
                           plat::DWORD*) override {
        return plat::kFalse;
    }
    plat::BOOL SetPrinterA(plat::PRINTER_HANDLE, plat::DWORD, plat::BYTE*, plat::DWORD) override {
        return plat::kFalse;
    }
    plat::BOOL XcvDataW(plat::PRINTER_HANDLE, const char16_t* command, const plat::BYTE* input,
                        plat::DWORD input_size, plat::BYTE*, plat::DWORD output_size, plat::DWORD*,
                        plat::DWORD* status) override {
        xcv_calls.push_back({command, {input, input + input_size}, output_size});
        const std::u16string port(reinterpret_cast<const char16_t*>(input));
        const std::u16string verb(command);
        // Like the local monitor: the call succeeds and the answer is in the status.
        if (verb == u"AddPort") *status = ports.insert(port).second ? 0 : 183;
        if (verb == u"DeletePort") *status = ports.erase(port) ? 0 : 2;
        return xcv_call_succeeds;
    }
    plat::BOOL GetPrinterDriverDirectoryA(const char*, const char*, plat::DWORD, plat::BYTE*,
                                          plat::DWORD, plat::DWORD*) override {
        return plat::kFalse;
    }
    plat::BOOL GetPrintProcessorDirectoryA(const char*, const char*, plat::DWORD, plat::BYTE*,
                                           plat::DWORD, plat::DWORD*) override {
        return plat::kFalse;
    }
    plat::BOOL DeletePrintProcessorA(const char*, const char*, const char*) override {
        return plat::kFalse;
    }

    bool delete_printer_succeeds = true;
    plat::DWORD last_open_access = 0;
    std::vector<plat::DWORD> open_accesses;  // one per OpenPrinterA call
    plat::DWORD last_error = 0;

  private:
    plat::PRINTER_HANDLE Track(const std::string& name) {
        auto handle = reinterpret_cast<plat::PRINTER_HANDLE>(++next_);
        open.insert(handle);
        names_[handle] = name;
        return handle;
    }
    std::uintptr_t next_ = 0x500;
    std::map<plat::PRINTER_HANDLE, std::string> names_;
    std::set<std::string> pending_delete_;
};

}  // namespace fakes
