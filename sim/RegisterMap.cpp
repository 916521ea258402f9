#include "RegisterMap.h"

#include <initializer_list>

#include "SimFraming.h"

namespace sim {

namespace {

void FillEntries(Registers& registers, int first, std::initializer_list<const char*> texts) {
    int index = first;
    for (const char* text : texts)
        registers[static_cast<std::size_t>(index++)] = EntryToRegister(text);
}

}  // namespace

std::string EntryToRegister(const std::string& text) {
    return Reversed(Fitted(text, kRegisterWidth));
}

std::string AddressToRegister(const std::string& address) {
    return Reversed("000" + Fitted(address, kAddressWidth));
}

Registers DefaultRegisters() {
    Registers registers;
    registers.fill(std::string(kRegisterWidth, ' '));

    registers[kCalibrationRegister] = EntryToRegister("31-Mar-2027");

    static const char* const kAddresses[] = {"00126F3A41C2", "0080251B77E0", "001A7DDA7113",
                                             "5C313E0B9A42", "00126F3A41C3", "D8A01D4F0021",
                                             "0080251B7800", "001A7DDA7200"};
    for (int i = 0; i < 8; ++i)
        registers[static_cast<std::size_t>(kFirstAddressRegister + i)] =
            AddressToRegister(kAddresses[i]);

    static const char* const kFleet[] = {"Tractor", "Rigid", "Tipper", "Van", "Bus"};
    for (int i = 0; i < kFirstTrailerRegister - kFirstPlantRegister; ++i)
        registers[static_cast<std::size_t>(kFirstPlantRegister + i)] =
            EntryToRegister(std::string(kFleet[i % 5]) + " FL" + std::to_string(1001 + i));
    for (int i = 0; i < kFirstFriendlyRegister - kFirstTrailerRegister; ++i)
        registers[static_cast<std::size_t>(kFirstTrailerRegister + i)] =
            EntryToRegister("TRL-" + std::to_string(3001 + i));

    FillEntries(registers, kFirstFriendlyRegister,
                {"Workshop PC", "Yard tablet", "Depot laptop", "Office PC", "Spare dongle",
                 "Van 12 phone", "Test lane PC", "Loan unit"});
    FillEntries(registers, kFirstExaminerRegister,
                {"J. Carter", "S. Patel", "M. Nowak", "A. Byrne", "R. Okafor", "L. Fischer",
                 "D. Moreau", "K. Lindqvist"});
    FillEntries(registers, kFirstSiteRegister,
                {"Dry asphalt", "Wet asphalt", "Damp concrete", "Loose gravel", "Packed snow",
                 "Black ice", "Wet grass", "Cobbles", "Wet concrete", "Test track", "Yard",
                 "Loading bay", "Ramp 1 in 10", "Slush", "Steel plate", "Painted lines"});
    FillEntries(registers, kFirstBrakeRegister,
                {"Footbrake", "Handbrake", "Emergency", "Trailer brake"});
    FillEntries(registers, kCompanyRegister, {"Northgate Fleet"});
    return registers;
}

}  // namespace sim
