// The program as started. The toolkit's libraries take the first ten
// milliseconds of a start to load, before any of the program's own code
// can run; the first picture's decode sets the pace of the start on
// today's photos. So this small program, which needs none of them, starts
// that decode first (see media/formats/early_jpeg.h) and then loads the
// program proper, a module beside it, and runs it.
#include "media/formats/early_jpeg.h"
#include "media/pipeline/start_trace.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <dlfcn.h>
#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The folder the program was started in, as "/a/b" from any spelling.
std::string cleanAbsolute(const std::string& path) {
    std::string absolute = path;
    if (absolute.empty() || absolute[0] != '/') {
        std::vector<char> cwd(4096);
        if (!::getcwd(cwd.data(), cwd.size()))
            return {};
        absolute = std::string(cwd.data()) + '/' + path;
    }
    std::vector<std::string> parts;
    std::size_t at = 0;
    while (at <= absolute.size()) {
        const std::size_t slash = std::min(absolute.find('/', at), absolute.size());
        const std::string part = absolute.substr(at, slash - at);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        at = slash + 1;
    }
    std::string clean;
    for (const std::string& part : parts)
        clean += '/' + part;
    return clean.empty() ? "/" : clean;
}

// Where the program's last run wrote its picture area, library and first
// picture (media/pipeline/head_start.h): the toolkit's cache folder.
std::string startFile() {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache && *cache)
        return std::string(cache) + "/soru/start-box";
    const char* home = std::getenv("HOME");
    if (home && *home)
        return std::string(home) + "/.cache/soru/start-box";
    return {};
}

// The first picture's decode, for a start on a library named alone on the
// command line that the last run showed, in the picture area it had.
std::shared_ptr<soru::EarlyJpeg> startFirstPicture(int argc, char** argv) {
    if (argc != 2 || argv[1][0] == '\0' || argv[1][0] == '-')
        return nullptr;
    const std::string file = startFile();
    if (file.empty())
        return nullptr;
    // Read without blocking and only from a regular file: a pipe in its
    // place must not hold the start up.
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat st {};
    char text[8192];
    ssize_t n = -1;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size < off_t(sizeof text))
        n = ::read(fd, text, sizeof text);
    ::close(fd);
    if (n <= 0)
        return nullptr;
    std::istringstream in(std::string(text, std::size_t(n)));
    std::string box, root, picture;
    if (!std::getline(in, box) || !std::getline(in, root) || !std::getline(in, picture))
        return nullptr;
    int width = 0, height = 0;
    char x = 0, rest = 0;
    if (std::sscanf(box.c_str(), "%d%c%d%c", &width, &x, &height, &rest) != 3 || x != 'x')
        return nullptr;
    // The library's root as the program spells it: absolute, clean, and
    // ending in a slash.
    std::string folder = cleanAbsolute(argv[1]);
    if (folder.empty())
        return nullptr;
    if (folder.back() != '/')
        folder += '/';
    if (folder != root)
        return nullptr;
    return soru::EarlyJpeg::start(picture, width, height);
}

// The program module: installed in the modules folder beside the program,
// in modules/ in the portable copy, or in the build tree.
void* loadProgram() {
    std::vector<char> self(4096);
    const ssize_t n = ::readlink("/proc/self/exe", self.data(), self.size() - 1);
    std::string dir = n > 0 ? std::string(self.data(), std::size_t(n)) : std::string();
    dir = dir.substr(0, dir.rfind('/') == std::string::npos ? 0 : dir.rfind('/'));
    const std::string folders[] = {dir + "/" SORU_MODULE_RELATIVE_DIR, dir + "/modules",
                                   SORU_BUILD_MODULE_DIR};
    std::string error = "libsoru_program.so: not found";
    for (const std::string& folder : folders) {
        const std::string path = folder + "/libsoru_program.so";
        if (::access(path.c_str(), F_OK) != 0)
            continue;
        if (void* program = ::dlopen(path.c_str(), RTLD_LAZY | RTLD_GLOBAL))
            return program;
        error = ::dlerror();
    }
    std::fprintf(stderr, "soru: %s\n", error.c_str());
    return nullptr;
}

} // namespace

int main(int argc, char** argv) {
    soru::startMark("launcher");
    // As the program alone sets it (main.cpp), before the first picture's
    // buffers: picture buffers get pages of their own and give them back.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    std::shared_ptr<soru::EarlyJpeg> early = startFirstPicture(argc, argv);
    if (early)
        soru::startMark("launcher: first picture decoding");
    void* program = loadProgram();
    if (!program)
        return 1;
    soru::startMark("launcher: program loaded");
    using Main = int (*)(int, char**, std::shared_ptr<soru::EarlyJpeg>*);
    const auto run = reinterpret_cast<Main>(::dlsym(program, "soru_program_main"));
    if (!run) {
        std::fprintf(stderr, "soru: %s\n", ::dlerror());
        return 1;
    }
    return run(argc, argv, &early);
}
