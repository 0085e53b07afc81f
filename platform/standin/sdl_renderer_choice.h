// Which of SDL's renderers the SDL host presents with.
#pragma once

namespace zorbel::standin {

// Before SDL's video starts: where the only OpenGL on offer draws in
// software, asks SDL for its software renderer and for window surfaces in
// the display server's own memory. A software OpenGL costs many times the
// work of copying the picture once and tens of megabytes of memory, for
// nothing a picture that is only copied and scaled needs. A renderer named
// by the user (SDL_RENDER_DRIVER) is kept.
void ChooseRenderer();

// Whether an OpenGL renderer string names a driver that draws in software.
bool SoftwareOpenGl(const char *renderer);

} // namespace zorbel::standin
