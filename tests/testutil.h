// Shared test support: temporary directories, whole-file reads and writes,
// and running the built program as a child process.
#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tvt {

// Result of one run of the program.
struct Run {
    int status;       // exit status (low byte as a shell sees it); 128+n for signal n; -1 on timeout
    std::string out;  // standard output
    std::string err;  // standard error
};

// A fresh, empty directory for one test (removed first if a crashed test
// left it behind).
std::string tempdir(std::string_view name);
void        rmtree(const std::string& path);
std::string slurp(const std::string& path);                 // whole file, "" if absent
void        spit(const std::string& path, std::string_view bytes);  // write whole file
bool        exists(const std::string& path);

// Run the program (or another executable) with args in directory dir,
// standard input from stdin_path, killing it after timeout_s seconds.
Run run(const std::vector<std::string>& args, const std::string& dir,
        const std::string& stdin_path = "/dev/null", int timeout_s = 30,
        const std::string& exe = TORVALE_BIN);

// Bytes as hex text, "C1 F0 0A": two digits a byte, a blank between.
std::string hex(std::string_view bytes);

// Run f on an area of n bytes lying between 16 guard bytes on each side;
// the area itself starts filled with the guard byte too.  Records a test
// failure when a guard byte changed; returns the area, f's result in *rc.
std::string guarded(int n, char guard, const std::function<int(char*, int)>& f, int* rc);

// The lines of the listing dir/TORV.LST after its page heading (heading,
// underline and empty line), trailing blanks cut.
std::vector<std::string> listing(const std::string& dir);

// The first lines of got must be want, line by line.
void starts(const std::vector<std::string>& got, const std::vector<std::string>& want);

// The master side of a fresh pseudo-terminal (its slave is ptsname(fd)),
// -1 if none could be had.
int ptmaster();

}  // namespace tvt
