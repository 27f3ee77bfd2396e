#include "keyin/WordMerge.h"

#include "core/Program.h"

#if __has_include("core/WordOutput.h")
#include "core/WordOutput.h"
#define KEYIN_HAVE_WORD_OUTPUT 1
#endif

namespace keyin {

bool mergeWord(Program& program, const QString& templatePath, const QString& sql, const QVariantList& params,
               const QString& outputName) {
#ifdef KEYIN_HAVE_WORD_OUTPUT
    return RunWordMailMerge(program, templatePath, sql, params, outputName);
#else
    (void)program, (void)templatePath, (void)sql, (void)params, (void)outputName;
    return false;
#endif
}

} // namespace keyin
