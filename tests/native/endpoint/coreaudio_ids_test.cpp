// The identifier table against the values Windows uses, written here as Windows' SDK
// writes them (text, not the table's own numbers), so a wrong entry cannot agree with itself.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "coreaudio_ids.h"

namespace {

std::string Text(const havro::ids::Guid& g) {
    char out[40];
    std::snprintf(out, sizeof out, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X",
                  static_cast<unsigned>(g.data1), g.data2, g.data3, g.data4[0], g.data4[1],
                  g.data4[2], g.data4[3], g.data4[4], g.data4[5], g.data4[6], g.data4[7]);
    return out;
}

// The topology stand-in answers every identifier the library asks for by its SDK value,
// and the endpoint volume under Wine is Wine's own: left is the notification client's,
// which Windows asks of the program's own object.
TEST(CoreAudioIdsTest, NotificationClientHasTheWindowsValue) {
    EXPECT_EQ(Text(havro::ids::kIidMMNotificationClient), "7991EEC9-7E89-4D85-8390-6C703CEC60C0");
}

}  // namespace
