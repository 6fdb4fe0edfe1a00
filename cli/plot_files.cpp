#include "cli/plot_files.h"

#include <dlfcn.h>

#include <system_error>

#include "core/error.h"

namespace kelpo {

namespace {

// The drawing module lies beside the program.
std::filesystem::path drawingModule() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    return (error ? std::filesystem::path(".") : program.parent_path()) / "kelpo-cli-plots.so";
}

using Draw = void (*)(const std::filesystem::path&, const AnalysisResults&, const std::string&, std::string&);

Draw loadDrawing() {
    const std::filesystem::path module = drawingModule();
    // Never closed: Qt does not expect to be unloaded while the program runs.
    void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        throw Error(ErrorKind::InputOutput,
                    "The charts cannot be drawn: their module (which needs Qt Charts and Qt SVG) did not load: " +
                        std::string(dlerror()));
    }
    const auto draw = reinterpret_cast<Draw>(dlsym(handle, "kelpoDrawPlots"));
    if (!draw) throw Error(ErrorKind::InputOutput, "The charts cannot be drawn: " + module.string() + " is not Kelpo's.");
    return draw;
}

}  // namespace

void preparePlotFolder(const std::filesystem::path& folder) {
    loadDrawing();  // first, so a machine without Qt gets no empty folder
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error || !std::filesystem::is_directory(folder)) {
        throw Error(ErrorKind::InputOutput, "The folder for the charts, " + folder.string() +
                                                ", could not be made" + (error ? ": " + error.message() : "."));
    }
}

void writePlots(const std::filesystem::path& folder, const AnalysisResults& results, const std::string& statistic) {
    const Draw draw = loadDrawing();
    std::string error;
    draw(folder, results, statistic, error);
    if (!error.empty()) throw Error(ErrorKind::InputOutput, error);
}

}  // namespace kelpo
