// One conversion: a source file in, a WAV file beside it out.
#pragma once

// Converts the source at `source_path` into a WAV file of the same name with
// the extension ".wav". Reports every failure on standard error; a failure
// ends only this file's conversion, so nothing is returned.
void convert_file(const char* source_path);
