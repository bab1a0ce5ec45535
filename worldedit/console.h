#pragma once

#include <functional>
#include <istream>
#include <ostream>
#include <string>

// The editor's text console: prompts and messages out, one typed line at a time in. Once the
// input has ended (a closed console, end of file on a pipe) every question is answered at once
// with "no answer", so that no dialogue waits or loops on it.
//
// On the program's own standard input the console waits for a line without blocking, calling
// whileWaiting meanwhile, so that the window stays drawn and its Escape can cancel the question.
class ASP_WE_Console {
public:
    ASP_WE_Console(std::istream& in, std::ostream& out);

    // Reads one line without its line end. False when the input has ended or the question was
    // cancelled.
    bool ReadLine(std::string& line);
    // Writes the prompt (no line end) and reads the answer.
    bool Ask(const std::string& prompt, std::string& answer);
    // Asks until the answer names a file that can be read, saying which ones are not found. False
    // when the input has ended or the question was cancelled.
    bool AskFile(const std::string& prompt, std::string& name);
    // Whether the input has ended (rather than a question having been cancelled).
    bool Ended() const { return ended; }
    // Writes a message and a line end, and shows it at once even when the output is a pipe.
    void Say(const std::string& message);

    // Asks for property names and values until "done", and hands each pair to set, whose
    // answer decides the next question: 0 a new name, -1 the name again (the value is kept),
    // -2 the value again (the name is kept), 1 the end. "done" as a value changes nothing and
    // asks for a new name.
    void EditProperties(const std::function<int(const std::string& name, const std::string& value)>& set);

    std::ostream& out;
    // Called before each question and again while it waits; false cancels the question.
    std::function<bool()> whileWaiting;

private:
    bool Cancelled();
    // The next line of the standard input into line, read as it arrives; false at its end.
    bool ReadStandardInput(std::string& line);

    std::istream& in;
    // Read from the standard input beyond the last line handed out.
    std::string pending;
    bool ended = false;
};
