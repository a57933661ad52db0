// Topologies modelled on real hardware, shared by the library's and the program's tests.
#include "descriptions.h"

namespace tk::topology {

std::string CodecCapture(const std::string& boostControl) {
    return R"(
endpoint Microphone|Line In
connector adcout "Capture"
part mux "Input Select"
connector mic "Mic"
part boost "Microphone Boost" )" +
           boostControl + R"(
part micrec "Mic Capture Volume" volume=-17.25:30:0.75:10,10
connector line "Line In"
part linerec "Line Capture Volume" volume=-17.25:30:0.75:0,0
part nomon "Line Monitor" agc=0
link mic boost micrec mux adcout
link line linerec nomon mux
start adcout
)";
}

std::string CodecPlayback(const std::string& first, const std::string& second) {
    return R"(
endpoint Speakers|Headphones
connector out "Speakers"
part master "Master Volume" volume=-65.25:0:0.75:-10,-10 mute=0
part tone "Tone" bass=-12:12:1:3,3 treble=-12:12:1:-2,-2
part sum "Sum"
connector jack1 ")" +
           first +
           R"("
part vol1 "Volume 1" volume=-34.5:12:1.5:-6,-7.5
part mute1 "Mute 1" mute=0
connector jack2 ")" +
           second + R"("
part vol2 "Volume 2" volume=-34.5:12:1.5:0,0
part mute2 "Mute 2" mute=1
connector cd "CD"
part cdvol "CD Volume" volume=-34.5:12:1.5:-3,-3
part cdmute "CD Mute" mute=0
link jack1 vol1 mute1 sum
link jack2 vol2 mute2 sum
link cd cdvol cdmute sum
link sum tone master out
start out
)";
}

std::string CodecDescription() {
    return CodecPlayback("Line In", "Microphone") + CodecCapture("agc=1");
}

std::string UsbHeadsetDescription() {
    return R"(
endpoint Speakers
connector out "Speakers"
part vol "Volume" volume=-45:0:1:-5 mute=0
connector usb "USB Streaming"
link usb vol out
start out
endpoint Microphone
connector out "Capture"
connector jack "Microphone"
part vol "Volume" volume=-20:20:1:0
link jack vol out
start out
)";
}

}  // namespace tk::topology
