#include "cli/JsonResultLine.h"

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>

namespace {

using Json = nlohmann::ordered_json;

Json Name(const std::string& name)
{
    Json text = name;
    try {
        // The library refuses to write what is not UTF-8; that refusal is the test.
        (void)text.dump();
        return text;
    } catch (const Json::type_error&) { }
    Json bytes = Json::array();
    for (unsigned char c : name)
        bytes.push_back(c);
    return bytes;
}

} // namespace

std::string JsonResultLine(const FileReport& report)
{
    Json outputs = Json::array();
    for (const std::string& output : report.Outputs)
        outputs.push_back(Name(output));
    Json line;
    line["input"] = Name(report.Input);
    line["outputs"] = std::move(outputs);
    line["result"] = report.Result;
    // Tools may print anything; what is not UTF-8 there is shown, not kept.
    line["reason"] = report.Reason ? Json(*report.Reason) : Json(nullptr);
    line["bytes"] = report.Bytes;
    line["frames"] = report.Frames;
    // Milliseconds are as fine as a wall clock across machines means anything.
    line["seconds"] = std::round(std::max(0.0, report.Seconds) * 1000) / 1000;
    return line.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::string JsonNameText(const std::string& name)
{
    return Name(name).dump();
}
