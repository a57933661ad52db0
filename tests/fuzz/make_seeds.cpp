// Writes seed inputs for level_text_fuzz: the level text of the in-memory typical
// sound card, once as it is (mode byte 0) and once without its checksum (mode byte 1,
// the target appends the checksum), so the fuzzer starts from texts that decode.
#include <cstdio>
#include <string>

#include "fake_mixer.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds <folder>\n");
        return 2;
    }
    tk::test::FakeMixer mixer;
    mixer.devices.push_back(tk::test::typicalSoundCard());
    const std::string text = mixer.getLevelState(0);
    const std::string body = text.substr(0, text.rfind('|'));
    auto write = [&](const char* name, char mode, const std::string& content) {
        std::string path = std::string(argv[1]) + "/" + name;
        FILE* f = std::fopen(path.c_str(), "wb");
        if (!f) return false;
        std::fputc(mode, f);
        std::fwrite(content.data(), 1, content.size(), f);
        return std::fclose(f) == 0;
    };
    return write("whole", 0, text) && write("body", 1, body) ? 0 : 1;
}
