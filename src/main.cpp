#include "application/Application.h"

int main(int argc, char* argv[])
{
    return QuorvelClient::Application::runApplication(argc, argv);
}
