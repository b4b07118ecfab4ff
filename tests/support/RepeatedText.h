#pragma once

#include <cstdint>
#include <string>

// Files whose SQL text is far larger than they are, written in an instant: the text is a head, a body
// repeated, and a tail, and neither it nor its compressed form is ever held whole.
namespace kestrel::test {

struct RepeatedText
{
    std::string head;
    std::string body; // a MiB or so: each copy costs its compressed size
    std::uint64_t times = 0;
    std::string tail;

    std::uint64_t size() const { return head.size() + body.size() * times + tail.size(); }
};

// A gzip of the text, or a zip whose one .sql entry it is (up to 4 GiB); the path written.
std::string writeRepeatedGzip(const std::string& name, const RepeatedText& text);
std::string writeRepeatedZip(const std::string& name, const RepeatedText& text);

} // namespace kestrel::test
