// Any JSON answer, read at a results path the input also picks: no crash,
// no more links than asked, a reading that either succeeds or says why, and
// every link taken through the intake posts exactly what it says it took,
// an http link always with a text.

#include <cstdint>
#include <string_view>

#include "fuzz-check.h"
#include "platform/message-queue.h"
#include "search/json-answer.h"
#include "search/link-extractor.h"

namespace {

constexpr std::string_view kPaths[] = {
    "results[].url", "web.results[].url", "channels[0].items[].link", "response.results[].url", "[]", "a[1][].b"};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const auto path = velmora::ParseResultsPath(kPaths[data[0] % std::size(kPaths)]);
    Require(path.has_value());
    const std::size_t most = 1 + data[0] % 5;
    const std::string_view json(reinterpret_cast<const char*>(data + 1), size - 1);
    const velmora::JsonAnswer answer = velmora::ReadJsonAnswer(json, *path, most);
    Require(answer.links.size() <= most);
    Require(answer.read == answer.error.empty());
    velmora::MessageQueue queue;
    const velmora::LinkScanContext context{&queue};
    for (const velmora::AnswerLink& link : answer.links) {
        const int taken = velmora::TakeAnswerLink(link.url, link.title, context);
        const auto posted = queue.TryTake();
        Require(taken == (posted ? 1 : 0) && !queue.TryTake());
        if (posted && posted->id == velmora::kMsgFoundHttpLink)
            Require(posted->link->urlLength + 1 < posted->link->text.size());
    }
    // The path reader takes any text without a fault.
    velmora::ParseResultsPath(json.substr(0, 64));
    return 0;
}
