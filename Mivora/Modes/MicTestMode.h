#pragma once

#include <QCoro/QCoroTask>

class QTextStream;

namespace mivora {

class MicSource;
class Scheduler;

// The "-mictest" diagnostic mode: records a few seconds from the microphone, printing the level every half
// second, then the input's description and the verdict. 0 when sound came in; 1 when no microphone could
// record, or it gave nothing or nothing but exact zeros. Runs the event loop until done.
int runMicTestMode();

// The test itself, on the given microphone, writing to `out`.
QCoro::Task<int> testMicrophone(MicSource& mic, Scheduler& scheduler, QTextStream& out);

} // namespace mivora
