// The map page of KORVELTA REPLAY. The application draws on it only through
// the global functions below; the page answers one way: the key of a clicked
// marker, through the application's "MapView" object. Zoom, map type,
// balloon display and the map library's version are handed to that object
// whenever they change, so the application never has to ask.
//
// Texts from the application (marker keys and balloon texts) are only ever
// put into the page as text nodes, never as markup.
(function () {
    'use strict';

    // The language the page's address asks for (index.html?lang=fr), else English.
    var LANGUAGE = (function () {
        var asked = new URLSearchParams(window.location.search).get('lang');
        return asked && window.MAP_TEXTS && window.MAP_TEXTS.hasOwnProperty(asked) ? asked : 'en';
    })();
    var TEXTS = (window.MAP_TEXTS && window.MAP_TEXTS[LANGUAGE]) || {};
    document.documentElement.lang = LANGUAGE;
    if (TEXTS.title) document.title = TEXTS.title;
    var INITIAL_CENTER = [-29.4944, 132.6368];
    var INITIAL_ZOOM = 2;
    var TILE_LAYERS = {
        roadmap: {
            url: 'https://tile.openstreetmap.org/{z}/{x}/{y}.png',
            options: {
                maxZoom: 19,
                attribution: '&copy; <a href="https://www.openstreetmap.org/copyright">OpenStreetMap</a> contributors'
            }
        },
        terrain: {
            url: 'https://{s}.tile.opentopomap.org/{z}/{x}/{y}.png',
            options: {
                maxZoom: 17,
                subdomains: 'abc',
                attribution: 'Map data: &copy; <a href="https://www.openstreetmap.org/copyright">OpenStreetMap</a>' +
                    ' contributors, SRTM | Map style: &copy; <a href="https://opentopomap.org">OpenTopoMap</a> (CC-BY-SA)'
            }
        }
    };
    // Compass headings of the car's direction icons, in degrees from north:
    // the arrow shows the heading the recording gives the frame.
    var HEADINGS = {
        9: 0, 20: 22.5, 8: 45, 21: 67.5, 7: 90, 22: 112.5, 14: 135, 23: 157.5,
        13: 180, 24: 202.5, 12: 225, 25: 247.5, 11: 270, 26: 292.5, 10: 315, 27: 337.5
    };
    // Driving-event icons: the letter shown on the car.
    var EVENT_LETTERS = {
        2: 'G', 15: 'G', 3: 'S', 16: 'S', 4: 'A', 17: 'A', 5: 'B', 18: 'B',
        6: 'H', 19: 'H', 53: 'I', 54: 'I', 62: 'E', 63: 'E'
    };
    var MARKER_CLASSES = {1: 'normal', 2: 'event', 3: 'surveillance', 4: 'adventure'};
    var SVG_NS = 'http://www.w3.org/2000/svg';

    var map = null;
    var bridge = null;
    var baseLayers = {};
    var mapTypeId = 'roadmap';
    var dispBalloon = true;
    var language = 0;
    var balloonSwitch = null; // an empty overlay whose check box shows the balloons
    var markerLayer = null;
    var markers = {};
    var routeBuffer = [];
    var routeLayer = null;
    var car = null;
    var carLook = '';
    var reported = {};

    function isCoordinate(lat, lng) {
        return typeof lat === 'number' && typeof lng === 'number' && isFinite(lat) && isFinite(lng) &&
            Math.abs(lat) <= 90 && Math.abs(lng) <= 180;
    }

    function report() {
        if (!bridge) return;
        var state = {
            zoom: map ? map.getZoom() : INITIAL_ZOOM,
            mapTypeId: mapTypeId,
            dispBalloon: dispBalloon,
            mapVersion: 'Leaflet ' + L.version
        };
        Object.keys(state).forEach(function (name) {
            if (reported[name] !== state[name]) {
                reported[name] = state[name];
                bridge[name] = state[name];
            }
        });
    }

    function svg(tag, attributes) {
        var node = document.createElementNS(SVG_NS, tag);
        Object.keys(attributes).forEach(function (name) { node.setAttribute(name, attributes[name]); });
        return node;
    }

    // ---- markers ----

    function pinElement(kind) {
        var box = document.createElement('div');
        box.className = 'kr-pin kr-pin-' + (MARKER_CLASSES[kind] || 'normal');
        var pin = svg('svg', {viewBox: '0 0 24 32', width: '24', height: '32'});
        pin.appendChild(svg('path', {
            'class': 'kr-pin-body',
            d: 'M12 31C12 31 2 19.5 2 12A10 10 0 0 1 22 12C22 19.5 12 31 12 31Z'
        }));
        pin.appendChild(svg('circle', {'class': 'kr-pin-eye', cx: '12', cy: '12', r: '4'}));
        box.appendChild(pin);
        return box;
    }

    // A balloon that stays inside the map: on the side of its marker where
    // it fits (the side facing the map's centre first), else pushed in from
    // the edges it would cross.
    var KeptBalloon = L.Tooltip.extend({
        _setPosition: function (pos) {
            var place = L.Tooltip.prototype._setPosition;
            var map = this._map;
            var box = this._container;
            place.call(this, pos);
            if (!map || !box) return;
            // Where the balloon is drawn (its side's margin included), in the map.
            var placed = function () {
                var frame = map.getContainer().getBoundingClientRect();
                var drawn = box.getBoundingClientRect();
                return {left: drawn.left - frame.left, top: drawn.top - frame.top,
                        right: frame.right - drawn.right, bottom: frame.bottom - drawn.bottom};
            };
            var crossing = function (at) {
                return Math.max(0, -at.left) + Math.max(0, -at.right);
            };
            var at = placed();
            if (crossing(at) > 0 && this.options.direction === 'auto') {
                this.options.direction = at.left < 0 ? 'right' : 'left';
                place.call(this, pos);
                this.options.direction = 'auto';
                if (crossing(placed()) >= crossing(at)) place.call(this, pos);
                at = placed();
            }
            var dx = at.left < 0 ? -at.left : at.right < 0 ? Math.max(at.right, -at.left) : 0;
            var dy = at.top < 0 ? -at.top : at.bottom < 0 ? Math.max(at.bottom, -at.top) : 0;
            if (dx !== 0 || dy !== 0) L.DomUtil.setPosition(box, L.DomUtil.getPosition(box).add(L.point(dx, dy)));
        }
    });

    function balloonFor(marker) {
        if (dispBalloon) {
            marker.bindTooltip(new KeptBalloon().setContent(marker.krBalloon),
                               {direction: 'auto', offset: [0, -18], className: 'kr-balloon'});
        } else {
            marker.unbindTooltip();
        }
    }

    function removeMarker(key) {
        if (Object.prototype.hasOwnProperty.call(markers, key)) {
            markerLayer.removeLayer(markers[key]);
            delete markers[key];
        }
    }

    // ---- the car ----

    function carElement(icon, gps) {
        var box = document.createElement('div');
        var letter = EVENT_LETTERS[icon];
        box.className = 'kr-car' + (gps ? '' : ' kr-car-nogps') + (letter ? ' kr-car-event' : '');
        var drawing = svg('svg', {viewBox: '0 0 36 36', width: '36', height: '36'});
        drawing.appendChild(svg('circle', {'class': 'kr-car-disc', cx: '18', cy: '18', r: '15'}));
        if (letter) {
            var text = svg('text', {'class': 'kr-car-letter', x: '18', y: '23.5', 'text-anchor': 'middle'});
            text.textContent = letter;
            drawing.appendChild(text);
        } else if (Object.prototype.hasOwnProperty.call(HEADINGS, icon)) {
            drawing.appendChild(svg('path', {
                'class': 'kr-car-arrow',
                d: 'M18 6L26.5 27L18 22.5L9.5 27Z',
                transform: 'rotate(' + HEADINGS[icon] + ' 18 18)'
            }));
        } else {
            drawing.appendChild(svg('circle', {'class': 'kr-car-dot', cx: '18', cy: '18', r: '5'}));
        }
        box.appendChild(drawing);
        return box;
    }

    // Keeps a car that was in view in view.
    function follow(previous, next) {
        if (!map) return;
        var bounds = map.getBounds();
        if (previous && !bounds.contains(previous)) return;
        if (!bounds.pad(-0.15).contains(next)) map.panTo(next, {animate: true, duration: 0.4});
    }

    // ---- the functions the application calls ----

    window.initialize = function () {
        if (map) return;
        map = L.map('map', {
            center: INITIAL_CENTER,
            zoom: INITIAL_ZOOM,
            zoomControl: true,
            worldCopyJump: true,
            fadeAnimation: false
        });
        map.attributionControl.setPrefix('<a href="https://leafletjs.com">Leaflet</a>');
        Object.keys(TILE_LAYERS).forEach(function (id) {
            var layer = TILE_LAYERS[id];
            baseLayers[id] = L.tileLayer(layer.url, layer.options);
            baseLayers[id].krTypeId = id;
        });
        baseLayers[mapTypeId].addTo(map);
        balloonSwitch = L.layerGroup();
        if (dispBalloon) balloonSwitch.addTo(map);
        var names = {};
        names[TEXTS.roadmap || 'Map'] = baseLayers.roadmap;
        names[TEXTS.terrain || 'Terrain'] = baseLayers.terrain;
        var overlays = {};
        overlays[TEXTS.balloons || 'Balloons'] = balloonSwitch;
        L.control.layers(names, overlays, {position: 'topright'}).addTo(map);
        L.control.scale({imperial: false, position: 'bottomleft'}).addTo(map);
        markerLayer = L.layerGroup().addTo(map);
        // Above the map's own overlays, below its markers.
        map.createPane('krRouteCasing').style.zIndex = 401;
        map.createPane('krRouteLine').style.zIndex = 402;

        map.on('baselayerchange', function (e) {
            mapTypeId = e.layer.krTypeId || 'roadmap';
            report();
        });
        map.on('overlayadd overlayremove', function (e) {
            if (e.layer !== balloonSwitch) return;
            window.setDispBalloon(e.type === 'overlayadd');
        });
        map.on('zoomend', report);
        report();
    };

    window.getMapVersion = function () {
        return 'Leaflet ' + L.version;
    };

    window.movePosition = function (lat, lng) {
        // A reset, not a pan: a pan moves by whole pixels, miles off at a low zoom.
        if (map && isCoordinate(lat, lng)) map.setView([lat, lng], map.getZoom(), {reset: true});
    };

    window.setCenter = window.movePosition;

    window.setZoom = function (zoom) {
        if (!map || typeof zoom !== 'number' || !isFinite(zoom)) return;
        map.setView(map.getCenter(), Math.max(0, Math.min(19, Math.round(zoom))), {reset: true});
    };

    window.setMapTypeId = function (id) {
        var next = Object.prototype.hasOwnProperty.call(TILE_LAYERS, id) ? id : 'roadmap';
        if (map && next !== mapTypeId) {
            map.removeLayer(baseLayers[mapTypeId]);
            baseLayers[next].addTo(map);
        }
        mapTypeId = next;
        report();
    };

    window.setDispBalloon = function (show) {
        dispBalloon = show === true;
        if (map && balloonSwitch) {
            if (dispBalloon && !map.hasLayer(balloonSwitch)) balloonSwitch.addTo(map);
            if (!dispBalloon && map.hasLayer(balloonSwitch)) map.removeLayer(balloonSwitch);
        }
        Object.keys(markers).forEach(function (key) { balloonFor(markers[key]); });
        report();
    };

    window.setLanguage = function (index) {
        if (typeof index === 'number') language = index;
    };

    window.addMarker = function (key, lat, lng, text, kind) {
        if (!map || typeof key !== 'string' || !isCoordinate(lat, lng)) return;
        removeMarker(key);
        var marker = L.marker([lat, lng], {
            icon: L.divIcon({html: pinElement(kind), className: 'kr-pin-box', iconSize: [24, 32], iconAnchor: [12, 31]}),
            keyboard: false,
            riseOnHover: true
        });
        var balloon = document.createElement('div');
        balloon.textContent = String(text);
        marker.krBalloon = balloon;
        balloonFor(marker);
        marker.on('click', function () {
            if (bridge) bridge.markerClickWithId_(key);
        });
        marker.addTo(markerLayer);
        markers[key] = marker;
    };

    window.removeMarkerAll = function () {
        if (markerLayer) markerLayer.clearLayers();
        markers = {};
    };

    window.drawMyCar = function (lat, lng, icon, gps) {
        if (!map) return;
        if (!isCoordinate(lat, lng) || (lat === 0 && lng === 0)) {
            window.removeMyCar();
            return;
        }
        var look = icon + ':' + (gps === true);
        var at = L.latLng(lat, lng);
        if (!car) {
            car = L.marker(at, {interactive: false, keyboard: false, zIndexOffset: 1000});
            carLook = '';
        }
        if (look !== carLook) {
            car.setIcon(L.divIcon({html: carElement(icon, gps === true), className: 'kr-car-box',
                iconSize: [36, 36], iconAnchor: [18, 18]}));
            carLook = look;
        }
        var previous = map.hasLayer(car) ? car.getLatLng() : null;
        car.setLatLng(at);
        if (!map.hasLayer(car)) car.addTo(map);
        follow(previous, at);
    };

    window.removeMyCar = function () {
        if (car && map) map.removeLayer(car);
        car = null;
        carLook = '';
    };

    window.addPolyPoint = function (lat, lng) {
        if (isCoordinate(lat, lng)) routeBuffer.push([lat, lng]);
    };

    // The route's line over its darker casing; every casing lies under every
    // line (each in a pane of its own), so a route drawn in pieces looks as
    // one drawn whole.
    function routePiece(points, className) {
        var casing = L.polyline(points, {pane: 'krRouteCasing', className: 'kr-route-casing', color: '#7a2d0d',
            weight: 8, opacity: 0.85, interactive: false, smoothFactor: 1.5});
        var line = L.polyline(points, {pane: 'krRouteLine', className: className, color: '#ff6a2b', weight: 5,
            opacity: 1, interactive: false, smoothFactor: 1.5});
        return [casing, line];
    }

    // Draws the points gathered since the last drawing as the route. The
    // line keeps every point; what is drawn is thinned to what the zoom
    // can show, again at every zoom.
    window.drawPolyline = function () {
        var points = routeBuffer;
        routeBuffer = [];
        if (!map) return;
        if (routeLayer) map.removeLayer(routeLayer);
        routeLayer = null;
        if (points.length === 0) return;
        var piece = routePiece(points, 'kr-route');
        routeLayer = L.layerGroup(piece).addTo(map);
        routeLayer.krEnd = points[points.length - 1];
        // A route wholly out of view (another recording far away) is brought
        // into it, at the same zoom.
        if (!map.getBounds().intersects(piece[1].getBounds())) map.setView(points[0], map.getZoom(), {reset: true});
    };

    // Adds the points gathered since the last drawing to the end of the
    // route on the page (a route that grows while its chapters load), as a
    // piece of its own from where the route ends: what is drawn already is
    // left as it is. With no route drawn yet they become the route.
    window.extendPolyline = function () {
        if (!map || !routeLayer) {
            window.drawPolyline();
            return;
        }
        var points = routeBuffer;
        routeBuffer = [];
        if (points.length === 0) return;
        routePiece([routeLayer.krEnd].concat(points), 'kr-route-part').forEach(function (layer) {
            routeLayer.addLayer(layer);
        });
        routeLayer.krEnd = points[points.length - 1];
    };

    window.removePolyLine = function () {
        routeBuffer = [];
        if (routeLayer && map) map.removeLayer(routeLayer);
        routeLayer = null;
    };

    window.clearZoomAndCenter = function () {
        if (map) map.setView(INITIAL_CENTER, INITIAL_ZOOM, {reset: true});
    };

    window.getDispBalloon = function () {
        return dispBalloon ? 'true' : 'false';
    };

    window.getZoom = function () {
        return String(map ? map.getZoom() : INITIAL_ZOOM);
    };

    window.getMapTypeId = function () {
        return mapTypeId;
    };

    if (window.qt && window.qt.webChannelTransport) {
        new QWebChannel(window.qt.webChannelTransport, function (channel) {
            bridge = channel.objects.MapView || null;
            report();
        });
    }
}());
