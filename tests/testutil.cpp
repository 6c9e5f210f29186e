// Shared test support: temporary directories, whole files, child runs.
#include "tests/testutil.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace tvt {

std::string tempdir(std::string_view name) {
    std::string p = "/tmp/torvale-tests-" + std::to_string(getuid()) + "/" +
                    std::to_string(getpid()) + "-" + std::string(name);
    std::filesystem::remove_all(p);
    std::filesystem::create_directories(p);
    return p;
}

void rmtree(const std::string& path) {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
}

std::string slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

void spit(const std::string& path, std::string_view bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

Run run(const std::vector<std::string>& args, const std::string& dir,
        const std::string& stdin_path, int timeout_s, const std::string& exe) {
    std::string outp = dir + "/.stdout", errp = dir + "/.stderr";
    pid_t pid = fork();
    if (pid == 0) {
        int in = open(stdin_path.c_str(), O_RDONLY);
        int out = open(outp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open(errp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0 || chdir(dir.c_str()) != 0) _exit(127);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(exe.c_str()));
        for (auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(exe.c_str(), argv.data());
        _exit(127);
    }
    Run r{-1, "", ""};
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(timeout_s);
    int st = 0;
    for (;;) {
        pid_t w = waitpid(pid, &st, WNOHANG);
        if (w == pid) break;
        if (std::chrono::steady_clock::now() > until) {
            kill(pid, SIGKILL);
            waitpid(pid, &st, 0);
            r.out = slurp(outp);
            r.err = slurp(errp);
            return r;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (WIFEXITED(st)) r.status = WEXITSTATUS(st);
    else if (WIFSIGNALED(st)) r.status = 128 + WTERMSIG(st);
    r.out = slurp(outp);
    r.err = slurp(errp);
    unlink(outp.c_str());
    unlink(errp.c_str());
    return r;
}

std::string hex(std::string_view bytes) {
    static const char d[] = "0123456789ABCDEF";
    std::string s;
    for (unsigned char b : bytes) {
        if (!s.empty()) s += ' ';
        s += d[b >> 4];
        s += d[b & 15];
    }
    return s;
}

std::string guarded(int n, char guard, const std::function<int(char*, int)>& f, int* rc) {
    std::string buf(static_cast<std::size_t>(n) + 32, guard);
    *rc = f(buf.data() + 16, n);
    for (std::size_t i = 0; i < 16; ++i) {
        EXPECT_EQ(guard, buf[i]) << "guard before, byte " << i;
        EXPECT_EQ(guard, buf[16 + static_cast<std::size_t>(n) + i]) << "guard after, byte " << i;
    }
    return buf.substr(16, static_cast<std::size_t>(n));
}

std::vector<std::string> listing(const std::string& dir) {
    std::vector<std::string> v;
    std::istringstream in(slurp(dir + "/TORV.LST"));
    std::string l;
    for (int n = 0; std::getline(in, l); ++n) {
        while (!l.empty() && l.back() == ' ') l.pop_back();
        if (n >= 3) v.push_back(l);
    }
    return v;
}

void starts(const std::vector<std::string>& got, const std::vector<std::string>& want) {
    ASSERT_GE(got.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(want[i], got[i]);
    }
}

int ptmaster() {
    int m = posix_openpt(O_RDWR | O_NOCTTY);
    if (m >= 0 && (grantpt(m) != 0 || unlockpt(m) != 0)) {
        close(m);
        m = -1;
    }
    return m;
}

}  // namespace tvt
