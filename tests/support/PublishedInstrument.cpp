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
    std::filesystem::create_symlink(instrument_->DevicePath(), LinkPath());
    return *instrument_;
}

void PublishedInstrument::Unpublish() {
    std::error_code ignored;
    std::filesystem::remove(LinkPath(), ignored);
}

std::string PublishedInstrument::LinkPath() const {
    return ports_.Path() + "/COM" + std::to_string(comNumber_);
}
