#pragma once

#include <optional>
#include <string>
#include <vector>

// What the console program reports of one file with --json.
struct FileReport
{
    std::string Input; // as given on the command line
    std::vector<std::string> Outputs; // the files written, in their order
    std::string Result; // "success", "failed" or "stopped"
    std::optional<std::string> Reason; // why it failed or stopped, when known
    unsigned long long Bytes = 0; // of all outputs together
    long long Frames = 0; // frames taken from the video
    double Seconds = 0; // wall-clock time the file took
};

// One line of JSON for `report`, ending with a newline, its keys in a fixed
// order. A name that is valid UTF-8 is a JSON string of exactly its bytes;
// any other name is an array of its bytes as numbers (0 to 255), the way
// journalctl's JSON gives fields that are not text, so every name comes back
// exactly and every line still parses as strict JSON.
std::string JsonResultLine(const FileReport& report);

// A name as JSON text by the same rule: a string, or the array of its bytes.
std::string JsonNameText(const std::string& name);
