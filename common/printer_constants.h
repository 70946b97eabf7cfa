// The virtual printer's identity: names of the queue, port, driver package, processor,
// service, report paths and settings file. Narrow texts are code page 936 bytes; the UTF-16
// ones are the same names where the system takes them as UTF-16.
#pragma once

namespace velmora {

// Printer name; also the share name, the driver name and the installer's model name.
inline constexpr char kPrinterName[] = "Zarvo虚拟打印机";
inline constexpr char16_t kPrinterNameW[] = u"Zarvo虚拟打印机";
inline constexpr char kPortNameA[] = "zarvoPrinter Port";
inline constexpr char16_t kPortNameW[] = u"zarvoPrinter Port";
inline constexpr char16_t kDriverInf[] = u"zarvoPrinter.inf";
inline constexpr char kPrintProcessor[] = "WinPrint";
inline constexpr char kDatatype[] = "RAW";

// Service names are matched without regard to case; the sequences and the stale-file
// removal each spell it their own way.
inline constexpr char kSpoolerService[] = "spooler";
inline constexpr char kSpoolerServiceStale[] = "Spooler";

inline constexpr char kReportInstallPath[] = "/zarvoprinter/servlet/PrintInstall";
inline constexpr char kReportUninstallPath[] = "/zarvoprinter/servlet/PrintUnInstall";

// The report server host, fixed at build time; also the printer's comment.
inline constexpr char kReportHost[] = VELMORA_REPORT_HOST;

inline constexpr char kSettingsFile[] = "zarvoprintsetup.ini";
inline constexpr char kSettingsSection[] = "zarvoprinter";

}  // namespace velmora
