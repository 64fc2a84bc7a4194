#include "userproxy.h"

#include "globalstate.h"
#include "qhttpclient.h"

void applyUserProxy(QHttpClient *client)
{
    if (getProxyEnable() >= 1)
        client->setHttpProxy(getProxyHost(), quint16(getProxyPort()), getProxyUser(), getProxyPassword());
    else
        client->setNoProxy();
}
