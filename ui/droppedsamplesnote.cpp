#include "ui/droppedsamplesnote.h"

#include "errors/errorreporting.h"

void DroppedSamplesNote::take(const Sample &)
{
    if (m_said || m_store.dropped().size() == 0)
        return;
    m_said = true;
    ErrorReporter::instance()->report(
        QStringLiteral("A sessão passou de %L1 amostras, o que o gráfico guarda. Daqui em diante, "
                       "as mais antigas depois das %L2 primeiras são descartadas do gráfico e de "
                       "“Salvar dados…”: “Ver a sessão inteira” mostra onde. Para guardar todas, "
                       "use “Gravar continuamente…” (Ctrl+R).")
            .arg(m_store.count() - 1)
            .arg(SampleStore::kAlwaysKept));
}
