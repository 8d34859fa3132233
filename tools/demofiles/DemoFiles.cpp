// ostara-demo-files DEVSIM FOLDER TYPE=NAME...
//
// Writes the demo parameter files of the program folder: for each TYPE (a
// device type code such as 0x21) the parameter set that the device simulator
// DEVSIM plays for it, saved into FOLDER/NAME.qdv exactly as the program's
// save writes it. The simulator is asked through its control input ("get
// NNN" for every register 900 to 1471), so the files follow its defaults.
// Exit status 0 when every file was written; otherwise a line on stderr says
// what failed.

#include "files/KundenFile.h"
#include "files/RegisterLines.h"
#include "platform/Numbers.h"
#include "platform/StringList.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

bool Fail(const std::string& why) {
    std::fprintf(stderr, "ostara-demo-files: %s\n", why.c_str());
    return false;
}

// Runs the simulator for type, sends every request at once and collects its
// whole answer (both are far below a pipe's capacity).
bool AskSimulator(const std::string& devsim, const std::string& type, std::string& answer) {
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0)
        return Fail(std::string("pipe: ") + std::strerror(errno));
    const pid_t pid = fork();
    if (pid < 0)
        return Fail(std::string("fork: ") + std::strerror(errno));
    if (pid == 0) {
        dup2(in[0], STDIN_FILENO);
        dup2(out[1], STDOUT_FILENO);
        for (int fd : {in[0], in[1], out[0], out[1]})
            close(fd);
        execl(devsim.c_str(), devsim.c_str(), "--type", type.c_str(), "--quit-on-eof",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    std::string requests;
    for (uint32_t reg = FirstImageRegister; reg <= LastImageRegister; ++reg)
        requests += "get " + std::to_string(reg) + "\n";
    const bool sent = WriteAllBytes(in[1], requests);
    close(in[1]);
    char buf[4096];
    for (ssize_t n; (n = read(out[0], buf, sizeof buf)) != 0;) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            break;
        answer.append(buf, static_cast<size_t>(n));
    }
    close(out[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!sent || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return Fail(devsim + " --type " + type + " failed");
    return true;
}

// The register image from the answers "NNN=decimal", one per register.
bool ImageOf(const std::string& answer, TRegisterImage& image) {
    image.fill(0);
    std::vector<bool> seen(LastImageRegister - FirstImageRegister + 1, false);
    for (const std::string& line : SplitLines(answer)) {
        const std::size_t eq = line.find('=');
        const auto reg = ParseDigits(line.substr(0, eq == std::string::npos ? 0 : eq), 10);
        const auto value = ParseDigits(eq == std::string::npos ? "" : line.substr(eq + 1), 10);
        if (!reg || !value || *reg < FirstImageRegister || *reg > LastImageRegister ||
            *value > 0xFFFF)
            continue; // the ready line, "ok"
        image[*reg - FirstImageRegister] = static_cast<uint32_t>(*value);
        seen[*reg - FirstImageRegister] = true;
    }
    for (bool s : seen)
        if (!s)
            return Fail("the simulator did not give every register");
    return true;
}

bool WriteDemo(const std::string& devsim, const std::filesystem::path& folder,
               const std::string& item) {
    const std::size_t eq = item.find('=');
    if (eq == std::string::npos || eq == 0 || eq + 1 == item.size())
        return Fail("expected TYPE=NAME, got " + item);
    const std::string type = item.substr(0, eq);
    std::string answer;
    TRegisterImage image{};
    if (!AskSimulator(devsim, type, answer) || !ImageOf(answer, image))
        return false;
    TKundenFile file;
    const std::string bytes = CustomerSaveBytes(file, image);
    const std::filesystem::path target = folder / (item.substr(eq + 1) + ".qdv");
    std::string error;
    if (bytes.empty() || !WriteFileAtomic(target, bytes, &error))
        return Fail("cannot write " + target.string() + ": " + error);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        Fail("usage: ostara-demo-files DEVSIM FOLDER TYPE=NAME...");
        return 2;
    }
    const std::filesystem::path folder = argv[2];
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    for (int i = 3; i < argc; ++i)
        if (!WriteDemo(argv[1], folder, argv[i]))
            return 1;
    return 0;
}
