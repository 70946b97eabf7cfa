// A pretend spooler: a set of ports behind the XcvMonitor channel, queues with their level-2
// records, drivers and the two spooler directories, with every handle tracked until it is
// closed. Each call can be failed through a FaultPlan.
#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "fakes/fault_plan.h"
#include "platform/spooler.h"

namespace fakes {

class FakeSpooler : public plat::Spooler, public Faultable {
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
    // When set, every call is also noted here, so several fakes can share one timeline.
    std::vector<std::string>* timeline = nullptr;

    // The level-2 fields this spooler keeps per queue; a missing driver or port name is
    // answered as a null pointer.
    struct Queue {
        std::string driver;
        std::string port;
        plat::DWORD attributes = 0;
        bool no_driver = false;
        bool no_port = false;
    };
    std::map<std::string, Queue> queues;
    std::vector<plat::PrinterInfo2> added;  // records given to AddPrinterA
    std::string default_printer;

    std::string driver_directory = "C:\\windows\\system32\\spool\\drivers\\w32x86";
    std::string processor_directory = "C:\\windows\\system32\\spool\\prtprocs\\w32x86";

    // Failure knobs.
    bool delete_printer_succeeds = true;
    bool driver_directory_fails = false;
    bool processor_directory_fails = false;
    plat::DWORD sizing_error = plat::kErrorInsufficientBuffer;  // left by a too-small buffer
    bool sizing_reports_zero = false;
    bool record_read_fails = false;
    bool set_printer_succeeds = true;

    plat::DWORD last_open_access = 0;
    std::vector<plat::DWORD> open_accesses;  // one per OpenPrinterA call
    plat::DWORD last_error = 0;

    // Failures are reported in `target` from now on (the kernel's last-error value).
    void ShareLastError(plat::DWORD& target) { error_ = &target; }

    plat::BOOL OpenPrinterA(const char* name, plat::PRINTER_HANDLE* printer,
                            const plat::PrinterDefaults* defaults) override {
        Note(std::string("OpenPrinter ") + name);
        last_open_access = defaults ? defaults->DesiredAccess : 0;
        open_accesses.push_back(last_open_access);
        const bool channel = std::strcmp(name, ",XcvMonitor Local Port") == 0;
        if (Injected(std::string("OpenPrinterA ") + name)) return plat::kFalse;
        if (channel ? !channel_opens : printers.count(name) == 0) {
            *error_ = 1801;  // ERROR_INVALID_PRINTER_NAME
            return plat::kFalse;
        }
        *printer = Track(name);
        return plat::kTrue;
    }
    plat::BOOL ClosePrinter(plat::PRINTER_HANDLE printer) override {
        Note("ClosePrinter");
        auto it = names_.find(printer);
        if (it == names_.end() || open.erase(printer) == 0) {
            ++bad_closes;
            return plat::kFalse;
        }
        if (pending_delete_.erase(it->second)) printers.erase(it->second);
        return Injected("ClosePrinter") ? plat::kFalse : plat::kTrue;
    }
    plat::PRINTER_HANDLE AddPrinterA(const char*, plat::DWORD, plat::BYTE* info) override {
        const auto* record = reinterpret_cast<const plat::PrinterInfo2*>(info);
        Note(std::string("AddPrinter ") + record->pPrinterName);
        added.push_back(*record);
        if (Injected("AddPrinterA")) return nullptr;
        if (printers.count(record->pPrinterName) != 0) {
            *error_ = plat::kErrorPrinterAlreadyExists;
            return nullptr;
        }
        printers.insert(record->pPrinterName);
        queues[record->pPrinterName] = {record->pDriverName, record->pPortName, record->Attributes};
        return Track(record->pPrinterName);
    }
    plat::BOOL DeletePrinter(plat::PRINTER_HANDLE printer) override {
        Note("DeletePrinter");
        if (Injected("DeletePrinter") || !delete_printer_succeeds) return plat::kFalse;
        pending_delete_.insert(names_[printer]);
        return plat::kTrue;
    }
    plat::BOOL DeletePrinterDriverA(const char*, const char*, const char* driver) override {
        Note(std::string("DeletePrinterDriver ") + driver);
        if (Injected("DeletePrinterDriverA")) return plat::kFalse;
        return drivers.erase(driver) == 1 ? plat::kTrue : plat::kFalse;
    }
    // Lays the record out as the system does: the fixed part, then its texts.
    plat::BOOL GetPrinterA(plat::PRINTER_HANDLE printer, plat::DWORD, plat::BYTE* buffer,
                           plat::DWORD size, plat::DWORD* needed) override {
        Note("GetPrinter " + std::to_string(size));
        if (Injected("GetPrinterA")) return plat::kFalse;
        const std::string name = names_[printer];
        const Queue& queue = queues[name];
        const std::size_t required = sizeof(plat::PrinterInfo2) + name.size() + 1 +
                                     (queue.no_driver ? 0 : queue.driver.size() + 1) +
                                     (queue.no_port ? 0 : queue.port.size() + 1);
        if (buffer == nullptr || size < required) {
            *needed = sizing_reports_zero ? 0 : static_cast<plat::DWORD>(required);
            *error_ = sizing_error;
            return plat::kFalse;
        }
        if (record_read_fails) {
            *error_ = 5;
            return plat::kFalse;
        }
        auto* info = reinterpret_cast<plat::PrinterInfo2*>(buffer);
        char* text = reinterpret_cast<char*>(buffer + sizeof(plat::PrinterInfo2));
        info->pPrinterName = Put(text, name);
        info->pDriverName = queue.no_driver ? nullptr : Put(text, queue.driver);
        info->pPortName = queue.no_port ? nullptr : Put(text, queue.port);
        info->Attributes = queue.attributes;
        return plat::kTrue;
    }
    plat::BOOL SetPrinterA(plat::PRINTER_HANDLE printer, plat::DWORD level, plat::BYTE* buffer,
                           plat::DWORD command) override {
        Note("SetPrinter " + std::to_string(level) + " " + std::to_string(command));
        if (Injected("SetPrinterA")) return plat::kFalse;
        if (!set_printer_succeeds) {
            *error_ = 5;
            return plat::kFalse;
        }
        const auto* info = reinterpret_cast<const plat::PrinterInfo2*>(buffer);
        queues[names_[printer]].attributes = info->Attributes;
        if (info->Attributes & plat::kPrinterAttributeDefault) default_printer = names_[printer];
        return plat::kTrue;
    }
    plat::BOOL XcvDataW(plat::PRINTER_HANDLE, const char16_t* command, const plat::BYTE* input,
                        plat::DWORD input_size, plat::BYTE*, plat::DWORD output_size, plat::DWORD*,
                        plat::DWORD* status) override {
        xcv_calls.push_back({command, {input, input + input_size}, output_size});
        const std::u16string port(reinterpret_cast<const char16_t*>(input));
        const std::u16string verb(command);
        if (timeline) timeline->push_back(verb == u"AddPort" ? "XcvData AddPort" : "XcvData other");
        if (Injected("XcvDataW")) return plat::kFalse;
        // Like the local monitor: the call succeeds and the answer is in the status.
        if (verb == u"AddPort") *status = ports.insert(port).second ? 0 : 183;
        if (verb == u"DeletePort") *status = ports.erase(port) ? 0 : 2;
        if (!xcv_call_succeeds) *error_ = 1796;  // ERROR_UNKNOWN_PORT
        return xcv_call_succeeds;
    }
    plat::BOOL GetPrinterDriverDirectoryA(const char*, const char*, plat::DWORD, plat::BYTE* buffer,
                                          plat::DWORD size, plat::DWORD* needed) override {
        Note("GetPrinterDriverDirectory " + std::to_string(size));
        if (Injected("GetPrinterDriverDirectoryA")) return plat::kFalse;
        return Directory(driver_directory_fails, driver_directory, buffer, size, needed);
    }
    plat::BOOL GetPrintProcessorDirectoryA(const char*, const char*, plat::DWORD,
                                           plat::BYTE* buffer, plat::DWORD size,
                                           plat::DWORD* needed) override {
        Note("GetPrintProcessorDirectory " + std::to_string(size));
        if (Injected("GetPrintProcessorDirectoryA")) return plat::kFalse;
        return Directory(processor_directory_fails, processor_directory, buffer, size, needed);
    }
    plat::BOOL DeletePrintProcessorA(const char*, const char*, const char* processor) override {
        Note(std::string("DeletePrintProcessor ") + processor);
        return plat::kFalse;
    }

  private:
    void Note(const std::string& call) {
        calls.push_back(call);
        if (timeline) timeline->push_back(call);
    }
    static char* Put(char*& text, const std::string& value) {
        char* start = text;
        std::memcpy(text, value.c_str(), value.size() + 1);
        text += value.size() + 1;
        return start;
    }
    plat::BOOL Directory(bool fails, const std::string& directory, plat::BYTE* buffer,
                         plat::DWORD size, plat::DWORD* needed) {
        *needed = static_cast<plat::DWORD>(directory.size() + 1);
        if (fails) {
            *error_ = 5;
            return plat::kFalse;
        }
        if (directory.size() + 1 > size) {
            *error_ = plat::kErrorInsufficientBuffer;
            return plat::kFalse;
        }
        std::memcpy(buffer, directory.c_str(), directory.size() + 1);
        return plat::kTrue;
    }
    plat::PRINTER_HANDLE Track(const std::string& name) {
        auto handle = reinterpret_cast<plat::PRINTER_HANDLE>(++next_);
        open.insert(handle);
        names_[handle] = name;
        return handle;
    }
    plat::DWORD* error_ = &last_error;
    std::uintptr_t next_ = 0x500;
    std::map<plat::PRINTER_HANDLE, std::string> names_;
    std::set<std::string> pending_delete_;
};

}  // namespace fakes
