#pragma once

#include "support/freeport.h"
#include "support/processes.h"

#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>

#include <mosquitto.h>

#include <unistd.h>

// Debian's mosquitto broker on a free loopback port, with a config file of its
// own in a temporary folder: open to anyone, behind a password file, or on
// TLS with a throw-away CA made by openssl.
class MosquittoBroker
{
public:
    enum class Mode
    {
        Plain,
        Password,
        Tls
    };

    static constexpr const char *User = "station";
    static constexpr const char *Password = "s3cret pass";

    MosquittoBroker() { QVERIFY(dir.isValid()); }
    ~MosquittoBroker() { stop(); }

    // Starts on `fixedPort`, or on a free one; false when it did not come up.
    bool start(Mode m, quint16 fixedPort = 0)
    {
        mode = m;
        port = fixedPort ? fixedPort : freeTcpPort();
        QByteArray conf = "persistence false\nlog_dest stderr\n";
        if (::geteuid() == 0)
            conf += "user root\n";
        conf += "listener " + QByteArray::number(port) + " 127.0.0.1\n";
        if (mode == Mode::Password) {
            if (!run("mosquitto_passwd", { "-b", "-c", path("passwd"), User, Password }))
                return false;
            conf += "allow_anonymous false\npassword_file " + path("passwd").toUtf8() + "\n";
        } else {
            conf += "allow_anonymous true\n";
        }
        if (mode == Mode::Tls) {
            if (!QFile::exists(path("ca.crt")) && !makeCertificates())
                return false;
            conf += "cafile " + path("ca.crt").toUtf8() + "\ncertfile "
                + path("server.crt").toUtf8() + "\nkeyfile " + path("server.key").toUtf8() + "\n";
        }
        QFile file(path("mosquitto.conf"));
        if (!file.open(QIODevice::WriteOnly) || file.write(conf) != conf.size())
            return false;
        file.close();

        process = std::make_unique<TestProcess>();
        process->process->setProcessChannelMode(QProcess::MergedChannels);
        process->process->start("mosquitto", { "-c", path("mosquitto.conf") });
        if (!process->process->waitForStarted())
            return false;
        QElapsedTimer timer;
        timer.start();
        QByteArray seen;
        while (timer.elapsed() < 10000 && process->process->state() == QProcess::Running) {
            process->process->waitForReadyRead(100);
            seen += process->process->readAll();
            if (seen.contains(" running"))
                return true;
        }
        qWarning() << "mosquitto did not start:" << seen;
        return false;
    }

    void stop()
    {
        if (process)
            process->stop();
        process.reset();
    }

    QString path(const QString &name) const { return dir.path() + QLatin1Char('/') + name; }
    QString caFile() const { return path("ca.crt"); }

    // A CA and a server certificate for `names` that it signed.
    bool makeCertificates()
    {
        QFile ext(path("server.ext"));
        if (!ext.open(QIODevice::WriteOnly))
            return false;
        ext.write("subjectAltName=" + certificateNames + "\n");
        ext.close();
        const QStringList ec { "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
            "-nodes" };
        return run("openssl",
                   QStringList { "req", "-x509" } + ec
                       + QStringList { "-keyout", path("ca.key"), "-out", path("ca.crt"), "-days",
                           "2", "-subj", "/CN=Skyquill test CA" })
            && run("openssl",
                QStringList { "req" } + ec
                    + QStringList { "-keyout", path("server.key"), "-out", path("server.csr"),
                        "-subj", "/CN=localhost" })
            && run("openssl",
                { "x509", "-req", "-in", path("server.csr"), "-CA", path("ca.crt"), "-CAkey",
                    path("ca.key"), "-CAcreateserial", "-out", path("server.crt"), "-days", "2",
                    "-extfile", path("server.ext") });
    }

    Mode mode = Mode::Plain;
    quint16 port = 0;
    // The server certificate's names, set before start().
    QByteArray certificateNames = "DNS:localhost,IP:127.0.0.1";

private:
    static bool run(const QString &program, const QStringList &arguments)
    {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(program, arguments);
        if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit
            || p.exitCode() != 0) {
            qWarning() << program << arguments << p.readAll();
            return false;
        }
        return true;
    }

    QTemporaryDir dir;
    std::unique_ptr<TestProcess> process;
};

// A second client that records every message under `topic`, retained ones
// included, and subscribes again whenever it reconnects.
class Subscriber
{
public:
    struct Message
    {
        QByteArray topic;
        QByteArray payload;
        bool retained = false;
    };

    explicit Subscriber(const MosquittoBroker &broker, const QByteArray &filter = "#")
        : topic(filter)
    {
        mosquitto_lib_init();
        client = mosquitto_new(nullptr, true, this);
        mosquitto_connect_callback_set(client, [](mosquitto *c, void *self, int rc) {
            if (rc == 0)
                mosquitto_subscribe(
                    c, nullptr, static_cast<Subscriber *>(self)->topic.constData(), 1);
        });
        mosquitto_message_callback_set(
            client, [](mosquitto *, void *self, const mosquitto_message *m) {
                auto *s = static_cast<Subscriber *>(self);
                QMutexLocker locker(&s->mutex);
                s->received.append({ QByteArray(m->topic),
                    QByteArray(static_cast<const char *>(m->payload), m->payloadlen), m->retain });
            });
        if (broker.mode == MosquittoBroker::Mode::Password)
            mosquitto_username_pw_set(client, MosquittoBroker::User, MosquittoBroker::Password);
        if (broker.mode == MosquittoBroker::Mode::Tls)
            mosquitto_tls_set(
                client, broker.caFile().toUtf8().constData(), nullptr, nullptr, nullptr, nullptr);
        mosquitto_connect(client, "localhost", broker.port, 60);
        mosquitto_loop_start(client);
    }

    ~Subscriber()
    {
        mosquitto_disconnect(client);
        mosquitto_loop_stop(client, true);
        mosquitto_destroy(client);
    }

    QList<Message> messages() const
    {
        QMutexLocker locker(&mutex);
        return received;
    }

    // The payloads seen on one topic, oldest first.
    QList<QByteArray> on(const QByteArray &t) const
    {
        QList<QByteArray> found;
        for (const Message &m : messages())
            if (m.topic == t)
                found.append(m.payload);
        return found;
    }

    QByteArray last(const QByteArray &t) const
    {
        const QList<QByteArray> all = on(t);
        return all.isEmpty() ? QByteArray("<none>") : all.last();
    }

    void clear()
    {
        QMutexLocker locker(&mutex);
        received.clear();
    }

private:
    QByteArray topic;
    mosquitto *client = nullptr;
    mutable QMutex mutex;
    QList<Message> received;
};
