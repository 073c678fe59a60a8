#include "base/messages.h"

#include <cstdio>
#include <utility>

namespace calyra {
namespace {

// The front-end's two hooks: where messages go and what stands for the wait
// cursor. Process-wide because a message may come from any layer.
struct Reporter {
    MessageSink sink;
    BusyHook busy;
};

Reporter& TheReporter() {
    static Reporter reporter;
    return reporter;
}

MessageSink& Sink() {
    return TheReporter().sink;
}

BusyHook& Busy() {
    return TheReporter().busy;
}

}  // namespace

void SetMessageSink(MessageSink sink) {
    Sink() = std::move(sink);
}

void ReportMessage(const Message& message) {
    if (Sink()) {
        Sink()(message);
        return;
    }
    std::fputs(message.text.c_str(), stderr);
    if (message.text.empty() || message.text.back() != '\n') std::fputc('\n', stderr);
}

std::string FormatWithName(const char* format, const std::string& name) {
    std::string out;
    for (const char* p = format; *p; ++p) {
        if (p[0] == '%' && p[1] == 's') {
            out += name;
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

void SetBusyHook(BusyHook hook) {
    Busy() = std::move(hook);
}

void SetBusy(bool busy) {
    if (Busy()) Busy()(busy);
}

}  // namespace calyra
