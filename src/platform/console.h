#pragma once

namespace veltrana {

// The console shows the program's UTF-8 output as Chinese text (Windows' console otherwise reads
// it in the system's code page); elsewhere it does already.
void useUtf8Console();

// Standard output writes the bytes as given. On Windows it would otherwise turn every "\n"
// into "\r\n", so a "\r\n" held in a value would come out as "\r\r\n".
void useBinaryStandardOutput();

}  // namespace veltrana
