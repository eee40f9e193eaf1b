// What the tuning modules (StartUp-Tuner, Netquiet Blocker, Windows tools,
// Internet Tuner) share. Their windows stand on the module frame
// (cleaning/frame/module_window.h); each module adds its own folder's files
// here, the library links the frame.
#pragma once

namespace qz::tuning {

// The group name drawn on the background of every tuning module's window.
inline constexpr const char* kGroup = "Tuning-Tools";

}  // namespace qz::tuning
