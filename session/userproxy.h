#pragma once

class QHttpClient;

// Points the client at the user's saved HTTP proxy when it is switched on, else at no proxy.
// Owners call it before each request, so a proxy saved in the meantime takes effect.
void applyUserProxy(QHttpClient *client);
