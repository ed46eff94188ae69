// disc-script-parse FILE...: reads each tour script of the sample disc with the
// title's script tokenizer, strictly: a BUBBLE block must give every field in
// the order the bubble reader takes them, every HOTSPOT its ID, HITRECT and
// INFO, a BUBBLETRANSITION all of its fields and a SEQUENCE whose steps have
// FADE and SOUND (the first) or WAIT, FADE and SOUND (the others); nothing may
// follow the closing brace. For each file one line goes to standard output:
//   FILE ok BUBBLE ID INFO AMBIENT FOOTSTEPS RANDOM1..5 YAW PITCH [HOTSPOT-ID INFO LEFT TOP RIGHT BOTTOM]...
//   FILE ok BUBBLETRANSITION ID STARTBUBBLE ENDBUBBLE STEPS [SOUND]...   (the sound index of
//     each step after the first: those are the sounds a walk acquires and plays)
//   FILE error WHAT
// The content check (check_disc.py) compares these with the archives. The
// exit status is 1 when any file failed.
#include <cstdint>
#include <cstdio>
#include <string>

#include "engine/core/VFRect.h"
#include "engine/core/VString.h"
#include "engine/script/ItemRef.h"
#include "engine/script/ScriptLexer.h"

namespace {

std::string Code(const ItemRef& item) {
  char text[6] = {};
  if (!item.FormatItemRef(text) || !item.IsItemRefValid()) return "invalid";
  return text;
}

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof(text), "%.4f", value);
  return text;
}

// Reads one item field; a malformed code is an error.
bool Item(const char* keyword, ItemRef& item, std::string& error) {
  if (!ReadItemRefField(keyword, item, false)) {
    error = std::string("missing ") + keyword;
    return false;
  }
  if (!item.IsItemRefValid()) {
    error = std::string(keyword) + " is not an item code";
    return false;
  }
  return true;
}

bool Closed(std::string& error) {
  if (!CloseBlock()) {
    error = "a block is not closed";
    return false;
  }
  return true;
}

bool ParseBubble(std::string& line, std::string& error) {
  ItemRef id, info;
  float yaw = 0, pitch = 0;
  int32_t ambient = 0, footsteps = 0;
  if (!OpenBlock("BUBBLE")) {
    error = "no BUBBLE block";
    return false;
  }
  if (!Item("ID", id, error)) return false;
  if (!ReadFloatPairField("DEFAULTVIEWANGLE", yaw, pitch, false)) {
    error = "missing DEFAULTVIEWANGLE";
    return false;
  }
  if (!Item("INFO", info, error)) return false;
  if (!ReadIntField("AMBIENT", ambient, false) || !ReadIntField("FOOTSTEPS", footsteps, false)) {
    error = "missing AMBIENT or FOOTSTEPS";
    return false;
  }
  line = "BUBBLE " + Code(id) + " " + Code(info) + " " + std::to_string(ambient) + " " + std::to_string(footsteps);
  static const char* const kRandom[] = {"RANDOM1", "RANDOM2", "RANDOM3", "RANDOM4", "RANDOM5"};
  for (const char* keyword : kRandom) {
    int32_t value = 0;
    if (!ReadIntField(keyword, value, true)) {
      error = std::string("bad ") + keyword;
      return false;
    }
    line += " " + std::to_string(value);
  }
  line += " " + Number(yaw) + " " + Number(pitch);
  if (!OpenBlock("HOTSPOTS")) {
    error = "no HOTSPOTS block";
    return false;
  }
  while (OpenBlock("HOTSPOT")) {
    ItemRef hotspot, target;
    VFRect rect;
    if (!Item("ID", hotspot, error)) return false;
    if (!ReadRectField("HITRECT", rect, false)) {
      error = "hotspot " + Code(hotspot) + ": missing HITRECT";
      return false;
    }
    if (!Item("INFO", target, error)) return false;
    if (!Closed(error)) return false;
    line += " " + Code(hotspot) + " " + Code(target) + " " + Number(rect.left) + " " + Number(rect.top) + " " +
            Number(rect.right) + " " + Number(rect.bottom);
  }
  return Closed(error) && Closed(error);
}

bool ParseTransition(std::string& line, std::string& error) {
  ItemRef id, start, end;
  float startYaw = 0, startPitch = 0, endYaw = 0, endPitch = 0;
  if (!OpenBlock("BUBBLETRANSITION")) {
    error = "no BUBBLETRANSITION block";
    return false;
  }
  if (!Item("ID", id, error) || !Item("STARTBUBBLE", start, error)) return false;
  if (!ReadFloatPairField("STARTANGLE", startYaw, startPitch, false)) {
    error = "missing STARTANGLE";
    return false;
  }
  if (!Item("ENDBUBBLE", end, error)) return false;
  if (!ReadFloatPairField("ENDANGLE", endYaw, endPitch, false)) {
    error = "missing ENDANGLE";
    return false;
  }
  if (!OpenBlock("SEQUENCE")) {
    error = "no SEQUENCE block";
    return false;
  }
  int32_t steps = 0;
  std::string sounds;
  while (!CloseBlock()) {
    int32_t wait = 0, fade = 0, sound = 0;
    if (steps > 0 && !ReadIntField("WAIT", wait, false)) {
      error = "step " + std::to_string(steps) + ": missing WAIT";
      return false;
    }
    if (!ReadIntField("FADE", fade, false) || !ReadIntField("SOUND", sound, false)) {
      error = "step " + std::to_string(steps) + ": missing FADE or SOUND";
      return false;
    }
    if (steps > 0) sounds += " " + std::to_string(sound);
    ++steps;
  }
  line = "BUBBLETRANSITION " + Code(id) + " " + Code(start) + " " + Code(end) + " " + std::to_string(steps) + sounds;
  return Closed(error);
}

}  // namespace

int main(int argc, char** argv) {
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    VString text;
    std::string line, error;
    bool ok = false;
    if (!LoadTextFile(text, argv[i], false)) {
      error = "cannot open";
    } else {
      BeginScript(text);
      const bool transition = GetTokenKind() == kTokenWord && std::string(GetTokenText()) == "BUBBLETRANSITION";
      ok = transition ? ParseTransition(line, error) : ParseBubble(line, error);
      if (ok && GetTokenKind() != kTokenEnd) {
        ok = false;
        error = "text after the closing brace";
      }
    }
    if (ok) {
      std::printf("%s ok %s\n", argv[i], line.c_str());
    } else {
      std::printf("%s error %s\n", argv[i], error.c_str());
      status = 1;
    }
  }
  return status;
}
