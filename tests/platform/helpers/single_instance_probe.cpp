// A program that holds a program folder as Chimora does, for the tests of two real
// processes: prints "first" and waits (printing "show requested" whenever a later start
// hands over), or prints "handed over" / "no answer" and ends.
#include <QCoreApplication>
#include <cstdio>

#include "platform/linux/local_single_instance.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: single_instance_probe PROGRAM_FOLDER RUNTIME_FOLDER\n");
        return 2;
    }
    chimora::platform::LocalSingleInstance instance(argv[1], argv[2]);
    switch (instance.Claim()) {
        case chimora::platform::SingleInstance::Outcome::HandedOver:
            std::printf("handed over\n");
            return 0;
        case chimora::platform::SingleInstance::Outcome::NoAnswer:
            std::printf("no answer\n");
            return 3;
        case chimora::platform::SingleInstance::Outcome::First:
            break;
    }
    instance.SetShowHandler([] {
        std::printf("show requested\n");
        std::fflush(stdout);
    });
    std::printf("first\n");
    std::fflush(stdout);
    return QCoreApplication::exec();
}
