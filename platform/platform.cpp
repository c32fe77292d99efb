// Placeholder: platform layer.
#include "platform/platform.h"

namespace CRM32Pro_ILogSystem {
void Init(const char*, int, int, const char*, const char*, const char*, const char*) {}
void Msg(int, const char*, ...) {}
}  // namespace CRM32Pro_ILogSystem
namespace CRM32Pro_Main {
WindowSettings window;
SDL_Surface* screen = nullptr;
int Init(std::uint32_t) {
    return 0;
}
const char* LastError() {
    return "";
}
int SetVideoMode() {
    return 0;
}
void SetRenderCallback(void (*)(int)) {}
int Update(Event*) {
    return 0;
}
void VideoInfo() {}
void AudioInfo() {}
void Quit() {}
void RandSeed(std::uint32_t) {}
}  // namespace CRM32Pro_Main
namespace CRM32Pro_ITimeSystem {
void Init(int) {}
int GetCurrentRFR() {
    return 60;
}
void Info() {}
}  // namespace CRM32Pro_ITimeSystem
namespace CRM32Pro_ICursor {
void Info() {}
}  // namespace CRM32Pro_ICursor
namespace CRM32Pro_IButton {
int Load(const char*, const char*, int) {
    return 0;
}
void SetPosition(int, std::int16_t, std::int16_t) {}
int GetState(int) {
    return 1;
}
void SetState(int, int) {}
void Draw() {}
void ForceDraw() {}
void RemoveAll() {}
}  // namespace CRM32Pro_IButton
struct CRM32Pro_CFont::Glyphs {};
CRM32Pro_CFont::CRM32Pro_CFont() {}
CRM32Pro_CFont::~CRM32Pro_CFont() {}
int CRM32Pro_CFont::Load(const char*, const char*) {
    return 0;
}
void CRM32Pro_CFont::PutString(SDL_Surface*, std::int16_t, std::int16_t, const char*, const void*) {
}
int CRM32Pro_CFont::TextWidth(const char*) const {
    return 0;
}
namespace CRM32Pro_IPrimitives {
void PutPixelRGBA(SDL_Surface*, std::int16_t, std::int16_t, std::uint8_t, std::uint8_t,
                  std::uint8_t, std::uint8_t, int) {}
void BoxColor(SDL_Surface*, std::int16_t, std::int16_t, std::int16_t, std::int16_t, std::uint32_t) {
}
void VLineRGBA(SDL_Surface*, std::int16_t, std::int16_t, std::int16_t, std::uint8_t, std::uint8_t,
               std::uint8_t, std::uint8_t) {}
}  // namespace CRM32Pro_IPrimitives

#include "platform/testing.h"
namespace PlatformTest {
bool OpenWindow(int, int) {
    return false;
}
void CloseWindow() {}
int ScreenGrey(int, int) {
    return -1;
}
void PushMouse(std::uint8_t, int, int) {}
void PushKey(std::int32_t) {}
}  // namespace PlatformTest
