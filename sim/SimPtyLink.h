// A pseudo-terminal whose slave side is published as a symlink (for example
// $VALDRIX_COM_DIR/COM7), so the tester opens it like a serial port. The simulator
// keeps a descriptor of the slave open itself: the tester may close and reopen the
// port as often as it likes, with any line settings, and the link stays up. A hang-up
// replaces the terminal by a fresh one under the same symlink; the tester's open
// descriptor then reads end-of-file and fails to write, as with a pulled cable.
#pragma once

#include "sim/SimLink.h"

#include <string>

class TSimPtyLink : public TSimLink {
public:
    // Creates the terminal and the symlink at `path` (an existing symlink there is
    // replaced; any other file is not). Throws Exception on failure.
    TSimPtyLink(TSimSide side, ISimPacketSink& sink, std::string path);
    ~TSimPtyLink() override;

    bool HasPeer() const override { return FMaster >= 0; }
    std::string Describe() const override { return FPath; }
    void Hangup() override;
    void Watches(std::vector<TSimLoop::TWatch>& watches) override;

private:
    void Open();
    void CloseTerminal();
    void OnMaster(short revents);

    std::string FPath;
    int FMaster = -1;
    int FSlave = -1;
};
