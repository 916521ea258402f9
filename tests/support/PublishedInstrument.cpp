#include "PublishedInstrument.h"

#include <filesystem>
#include <system_error>

PublishedInstrument::PublishedInstrument(int comNumber) : comNumber_(comNumber) {}

PublishedInstrument::~PublishedInstrument() {
    Unpublish();
}

SimulatedInstrument& PublishedInstrument::Start(SimulatedInstrument::Settings settings) {
    Unpublish();
    instrument_.reset();
    instrument_ = std::make_unique<SimulatedInstrument>(std::move(settings));
    Link(comNumber_, instrument_->DevicePath());
    return *instrument_;
}

void PublishedInstrument::Unpublish() {
    std::error_code ignored;
    std::filesystem::remove(LinkPath(comNumber_), ignored);
}

void PublishedInstrument::Stop() {
    Unpublish();
    instrument_.reset();
}

void PublishedInstrument::Link(int comNumber, const std::string& devicePath) const {
    std::filesystem::create_symlink(devicePath, LinkPath(comNumber));
}

std::string PublishedInstrument::LinkPath(int comNumber) const {
    return ports_.Path() + "/COM" + std::to_string(comNumber);
}
