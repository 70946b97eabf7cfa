// Notices shown as application message boxes and written to the run log.
#include "common/notices.h"

#include <string>

#include "common/join.h"
#include "framework/message_box.h"

namespace velmora {

void Notices::Notify(const char* text) {
    Log(text);
    if (!quiet_) (void)AppMessageBox(ui_, kernel_, text);
}

void Notices::Notify(unsigned string_id) {
    char text[512] = {};
    if (ui_.LoadStringA(string_id, text, sizeof text) > 0) Log(text);
    if (!quiet_) (void)AppMessageBox(ui_, kernel_, string_id);
}

void Notices::Log(const char* text) {
    log_.WriteGbk(Join({quiet_ ? "message (not shown): " : "message: ", text}));
}

}  // namespace velmora
